#include "ui/navigationstack.h"

#include "ui/navigationcontroller.h"
#include "ui/viewregistry.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace ui {

NavigationStack::NavigationStack(NavigationController *controller, const ViewRegistry &views, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_views(views)
    , m_back(new QToolButton)
    , m_title(new QLabel)
    , m_largeTitle(new QLabel)
    , m_pages(new QStackedWidget) {
    setObjectName(QStringLiteral("navigationStack"));
    m_back->setText(tr("Back"));
    m_back->setAccessibleName(tr("Back"));
    m_back->setArrowType(Qt::LeftArrow);
    m_back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_title->setAlignment(Qt::AlignCenter);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    QFont large = m_largeTitle->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    m_largeTitle->setFont(large);

    m_bar = new QHBoxLayout;
    m_bar->setContentsMargins(8, 4, 8, 4);
    m_bar->addWidget(m_back);
    m_bar->addWidget(m_title, 1);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(m_bar);
    column->addWidget(m_largeTitle);
    column->addWidget(m_pages, 1);

    for (int i = 0; i < controller->depth(); ++i)
        addPage(controller->screenAt(i));
    connect(m_back, &QToolButton::clicked, controller, &NavigationController::popScreen);
    connect(controller, &NavigationController::pushed, this, &NavigationStack::addPage);
    connect(controller, &NavigationController::popped, this, &NavigationStack::removeTopPage);
    connect(controller, &ScreenController::titleChanged, this, &NavigationStack::updateBar);
    updateBar();
}

void NavigationStack::setLargeTitleShown(bool shown) {
    m_largeTitleShown = shown;
    updateBar();
}

void NavigationStack::setBarHidden(bool hidden) {
    m_barHidden = hidden;
    m_bar->setContentsMargins(hidden ? QMargins() : QMargins(8, 4, 8, 4));
    updateBar();
}

void NavigationStack::addPage(ScreenController *screen) {
    QWidget *page = m_views.makeView(screen);
    if (!page)
        page = new QWidget;
    m_pages->addWidget(page);
    m_pages->setCurrentWidget(page);
    updateBar();
}

void NavigationStack::removeTopPage() {
    if (m_pages->count() <= 1)
        return;
    QWidget *top = m_pages->widget(m_pages->count() - 1);
    m_pages->removeWidget(top);
    top->deleteLater();
    m_pages->setCurrentIndex(m_pages->count() - 1);
    updateBar();
}

void NavigationStack::updateBar() {
    const QString title = m_controller->title();
    m_back->setVisible(!m_barHidden && m_controller->canGoBack());
    m_title->setText(title);
    m_title->setAccessibleName(title);
    m_largeTitle->setText(title);
    m_largeTitle->setAccessibleName(title);
    // The large title stands for the root screen; deeper screens name themselves in the bar.
    m_largeTitle->setVisible(!m_barHidden && m_largeTitleShown && !m_controller->canGoBack() &&
                             !title.isEmpty());
    m_title->setVisible(!m_barHidden && (m_controller->canGoBack() || !m_largeTitleShown));
}

} // namespace ui
