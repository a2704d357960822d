#include "browser/viewers/imageviewerview.h"

#include "browser/viewers/imagecanvas.h"
#include "browser/viewers/imageviewercontroller.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QUrl>

namespace browser {

namespace {
QToolButton *panelButton(const QString &text, const QString &accessibleName, QWidget *parent) {
    auto *button = new QToolButton(parent);
    button->setText(text);
    button->setAccessibleName(accessibleName);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    return button;
}
} // namespace

ImageViewerView::ImageViewerView(ImageViewerController *controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_canvas(new ImageCanvas(this))
    , m_message(new QLabel(this))
    , m_buttonPanel(new QFrame(this))
    , m_hiddenPanel(new QWidget(this))
    , m_close(panelButton(tr("Close"), tr("Close"), m_buttonPanel))
    , m_share(panelButton(tr("Share…"), tr("Share"), m_buttonPanel))
    , m_shareMenu(new QMenu(this)) {
    setAccessibleName(tr("Image viewer"));
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    setPalette(dark);

    m_message->setAlignment(Qt::AlignCenter);
    m_message->setAccessibleName(tr("Status"));
    m_message->setWordWrap(true);
    m_message->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_buttonPanel->setObjectName("buttonPanel");
    m_buttonPanel->setAccessibleName(tr("Viewer buttons"));
    m_buttonPanel->setStyleSheet(
        "QFrame#buttonPanel { background: rgba(40, 40, 40, 210); border-radius: 14px; }"
        "QToolButton { color: white; padding: 6px 10px; font-weight: 600; }");
    auto *buttons = new QHBoxLayout(m_buttonPanel);
    buttons->setContentsMargins(8, 4, 8, 4);
    buttons->addWidget(m_close);
    buttons->addWidget(m_share);

    m_hiddenPanel->setObjectName("hiddenPanel");
    m_hiddenPanel->setAccessibleName(tr("Details"));
    m_shareMenu->setAccessibleName(tr("Share"));

    connect(m_close, &QToolButton::clicked, this, [this] {
        if (m_controller)
            m_controller->close();
    });
    connect(m_share, &QToolButton::clicked, this, [this] {
        if (m_controller)
            m_controller->share();
    });
    if (controller) {
        connect(controller, &ImageViewerController::imageChanged, this, &ImageViewerView::showState);
        connect(controller, &ImageViewerController::shareRequested, this, &ImageViewerView::offerShare);
        connect(controller, &ImageViewerController::hiddenPanelHiddenChanged, m_hiddenPanel,
                [this](bool hidden) { m_hiddenPanel->setVisible(!hidden); });
    }
    showState();
    setFocusProxy(m_canvas);
}

void ImageViewerView::showState() {
    if (!m_controller)
        return;
    m_hiddenPanel->setVisible(!m_controller->isHiddenPanelHidden());
    m_share->setEnabled(m_controller->state() == ImageViewerController::State::Shown);
    switch (m_controller->state()) {
    case ImageViewerController::State::Loading:
        m_message->setText(tr("Loading…"));
        m_message->show();
        break;
    case ImageViewerController::State::Shown:
        m_canvas->setPicture(m_controller->image(), m_controller->originalSize());
        m_message->hide();
        break;
    case ImageViewerController::State::Failed:
        m_message->setText(m_controller->message());
        m_message->show();
        break;
    }
}

void ImageViewerView::offerShare(const QString &path) {
    m_shareMenu->clear();
    QAction *open = m_shareMenu->addAction(tr("Open With Default Application"));
    connect(open, &QAction::triggered, this,
            [path] { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });
    m_shareMenu->popup(m_share->mapToGlobal(QPoint(0, m_share->height())));
}

void ImageViewerView::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && m_controller) {
        m_controller->close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ImageViewerView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layOutOverlays();
}

void ImageViewerView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    layOutOverlays();
    m_canvas->setFocus();
}

void ImageViewerView::layOutOverlays() {
    m_canvas->setGeometry(rect());
    m_message->setGeometry(rect().adjusted(24, 0, -24, 0));
    m_message->raise();
    m_buttonPanel->adjustSize();
    m_buttonPanel->move(16, 16);
    m_buttonPanel->raise();
    m_hiddenPanel->setGeometry(0, height() - 64, width(), 64);
}

} // namespace browser
