#pragma once

#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QMenu;
class QToolButton;

namespace browser {

class ImageCanvas;
class ImageViewerController;

// The picture viewer's view: the zoomable canvas over the whole window, a rounded button panel
// with Close and Share over its top corner, and a line of text while the picture decodes or when
// it cannot be shown. Escape closes. Share asks the controller; until the share menu exists the
// view answers its request with a menu offering to open the file with the desktop's default
// application. The controller is not owned and outlives the view.
class ImageViewerView : public QWidget {
    Q_OBJECT
public:
    explicit ImageViewerView(ImageViewerController *controller, QWidget *parent = nullptr);

    ImageCanvas *canvas() const { return m_canvas; }
    QLabel *messageLabel() const { return m_message; }
    QFrame *buttonPanel() const { return m_buttonPanel; }
    QWidget *hiddenPanel() const { return m_hiddenPanel; }
    QToolButton *closeButton() const { return m_close; }
    QToolButton *shareButton() const { return m_share; }
    QMenu *shareMenu() const { return m_shareMenu; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showState();
    void offerShare(const QString &path);
    void layOutOverlays();

    QPointer<ImageViewerController> m_controller;
    ImageCanvas *m_canvas;
    QLabel *m_message;
    QFrame *m_buttonPanel;
    QWidget *m_hiddenPanel;
    QToolButton *m_close;
    QToolButton *m_share;
    QMenu *m_shareMenu;
};

} // namespace browser
