#pragma once

#include <QObject>

// Ends text editing when the user clicks outside the text field being edited: with
// resignOnTouchOutside on, a mouse press on any widget other than the focused text input (a line
// edit, text edit or spin box, or a child of one) takes the focus away from that input. Presses
// on another text input just move the focus there. Watches the whole application while on.
// GUI thread only.
class KeyboardManager : public QObject {
    Q_OBJECT
public:
    explicit KeyboardManager(QObject *parent = nullptr);
    ~KeyboardManager() override;

    bool resignOnTouchOutside() const { return m_resignOnTouchOutside; }
    void setResignOnTouchOutside(bool enabled);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_resignOnTouchOutside = false;
};
