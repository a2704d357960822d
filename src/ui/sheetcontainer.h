#pragma once

#include <QPointer>
#include <QWidget>

namespace ui {

class ScreenController;

// A page sheet laid over a window: the window dims behind it and the sheet's page, of a given
// height (all but a dimmed strip at the top when 0 or taller; the whole window, with nothing
// showing through, for fullScreenHeight), rises from the bottom. It drives the lifecycle of
// the sheet's screen — it appears when the sheet opens and disappears when it closes — and, as a
// sheet does, leaves the screen below it alone: that one stays visible and gets no call.
//
// Escape, a click on the dimmed part and the screen's dismiss request close it; closing emits
// closed() and deletes the container, its page, and the screen when it has no other parent.
// GUI thread only.
class SheetContainer : public QWidget {
    Q_OBJECT
public:
    static constexpr int fullScreenHeight = -1;

    // `window` is covered and must outlive the sheet; the page becomes the container's child.
    SheetContainer(ScreenController *screen, QWidget *page, QWidget *window, int height = 0);
    ~SheetContainer() override;

    ScreenController *screen() const { return m_screen.data(); }
    QWidget *page() const { return m_page; }
    bool isOpen() const { return m_open; }

    // Shows the sheet: the screen appears.
    void open();
    // The screen disappears, closed() fires, the container goes (deleteLater).
    void closeSheet();

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOut();

    QPointer<ScreenController> m_screen;
    QWidget *m_page;
    int m_height;
    bool m_open = false;
    bool m_closing = false;
};

} // namespace ui
