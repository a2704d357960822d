#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QSpinBox;
class QToolButton;

namespace browser {

class PdfPageView;
class PdfReaderController;

// The PDF reader's view: a tool bar (page strip on and off, zoom out, zoom in, fit width, the
// page box "3 / 120" that also takes a page to go to, the find field with its previous and next
// buttons and match count), the page strip of thumbnails on the left and the scrolling pages.
// Ctrl+F goes to the find field, Enter in it to the next match, Shift+Enter to the previous;
// Ctrl++ and Ctrl+− zoom.
// The controller is not owned and outlives the view. GUI thread only.
class PdfReaderView : public QWidget {
    Q_OBJECT
public:
    explicit PdfReaderView(PdfReaderController *controller, QWidget *parent = nullptr);

    PdfPageView *pageView() const { return m_pages; }
    QListView *pageStrip() const { return m_strip; }
    QSpinBox *pageBox() const { return m_pageBox; }
    QLineEdit *findField() const { return m_find; }
    QLabel *matchLabel() const { return m_matches; }
    QToolButton *zoomInButton() const { return m_zoomIn; }
    QToolButton *zoomOutButton() const { return m_zoomOut; }
    QToolButton *fitWidthButton() const { return m_fitWidth; }
    QToolButton *previousMatchButton() const { return m_previousMatch; }
    QToolButton *nextMatchButton() const { return m_nextMatch; }
    QToolButton *stripButton() const { return m_stripToggle; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *makeToolBar();
    void connectController();
    void showPage(int page);
    void showMatches();

    QPointer<PdfReaderController> m_controller;
    PdfPageView *m_pages;
    QListView *m_strip;
    QSpinBox *m_pageBox;
    QLineEdit *m_find;
    QLabel *m_matches;
    QToolButton *m_stripToggle;
    QToolButton *m_zoomOut;
    QToolButton *m_zoomIn;
    QToolButton *m_fitWidth;
    QToolButton *m_previousMatch;
    QToolButton *m_nextMatch;
};

} // namespace browser
