#include "ui/sheetcontainer.h"

#include "ui/screencontroller.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

namespace {
constexpr int topGap = 24; // the dimmed strip a full-height sheet leaves above itself
}

SheetContainer::SheetContainer(ScreenController *screen, QWidget *page, QWidget *window, int height)
    : QWidget(window)
    , m_screen(screen)
    , m_page(page ? page : new QWidget)
    , m_height(height) {
    setObjectName(QStringLiteral("sheetContainer"));
    setAccessibleName(screen && !screen->title().isEmpty() ? screen->title() : tr("Sheet"));
    setFocusPolicy(Qt::StrongFocus);
    m_page->setParent(this);
    m_page->setAutoFillBackground(true);
    window->installEventFilter(this);
    if (screen)
        connect(screen, &ScreenController::dismissRequested, this, &SheetContainer::closeSheet);
    hide();
}

SheetContainer::~SheetContainer() {
    // Destroyed while still open (its window went first): the screen it holds has no other owner,
    // so it goes too, after the page that shows it.
    if (m_closing || !m_screen || m_screen->parent())
        return;
    delete m_page;
    delete m_screen.data();
}

void SheetContainer::open() {
    if (m_open || m_closing)
        return;
    m_open = true;
    layOut();
    if (m_screen)
        m_screen->beginAppearanceTransition(true);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    if (m_screen)
        m_screen->endAppearanceTransition();
}

void SheetContainer::closeSheet() {
    if (!m_open || m_closing)
        return;
    m_closing = true;
    if (m_screen)
        m_screen->beginAppearanceTransition(false);
    hide();
    m_open = false;
    emit closed();
    if (m_screen && !m_screen->parent())
        m_screen->deleteLater();
    deleteLater();
}

void SheetContainer::layOut() {
    QWidget *window = parentWidget();
    if (!window)
        return;
    setGeometry(window->rect());
    if (m_height == fullScreenHeight) {
        m_page->setGeometry(rect());
        return;
    }
    const int available = height() - topGap;
    const int sheetHeight = m_height <= 0 || m_height > available ? available : m_height;
    m_page->setGeometry(0, height() - sheetHeight, width(), sheetHeight);
}

void SheetContainer::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 100));
}

void SheetContainer::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        closeSheet();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SheetContainer::mousePressEvent(QMouseEvent *event) {
    if (!m_page->geometry().contains(event->position().toPoint()))
        closeSheet();
}

bool SheetContainer::eventFilter(QObject *watched, QEvent *event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        layOut();
    return QWidget::eventFilter(watched, event);
}

} // namespace ui
