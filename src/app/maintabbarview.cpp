#include "app/maintabbarview.h"

#include "app/bottomtabbar.h"
#include "app/maintabbarcontroller.h"
#include "zepcommon/theme/zepcolors.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

MainTabBarView::MainTabBarView(MainTabBarController *controller, ZEPThemeManager &theme, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_theme(theme)
    , m_pages(new QStackedWidget)
    , m_tabBar(new BottomTabBar) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_pages, 1);
    column->addWidget(m_tabBar);

    if (const auto accent = ZEPColors::themeColorWithName(theme.themeColorInAllApp()))
        m_tabBar->setAccentColor(*accent);
    connect(m_tabBar, &QTabBar::currentChanged, this, &MainTabBarView::tabClicked);
    connect(controller, &MainTabBarController::selectedIndexChanged, this, &MainTabBarView::showSelected);
    m_tabBar->setAccessibleName(tr("Tabs"));
}

void MainTabBarView::addPage(QWidget *page) {
    const int index = m_pages->addWidget(page);
    const MainTabBarController::TabItem item = m_controller->tabItem(index);
    if (ui::ScreenController *screen = m_controller->screenAt(index))
        connect(screen, &ui::ScreenController::bounceRequested, m_tabBar, &BottomTabBar::bounceIcons);
    const QSignalBlocker blocker(m_tabBar);
    m_tabBar->addTab(item.title);
    m_tabBar->setAccessibleTabName(index, item.title);
    const int pictureSide = BottomTabBar::iconSide * 2; // drawn at half size: sharp on dense screens
    m_tabBar->setTabImage(index, m_theme.themedImage(item.iconBaseName, QSize(pictureSide, pictureSide)));
    m_tabBar->setCurrentIndex(qMax(0, m_controller->selectedIndex()));
    m_pages->setCurrentIndex(qMax(0, m_controller->selectedIndex()));
}

void MainTabBarView::tabClicked(int index) {
    if (index == m_controller->selectedIndex())
        return;
    if (!m_controller->selectTab(index))
        showSelected(m_controller->selectedIndex());
}

void MainTabBarView::showSelected(int index) {
    if (index < 0 || index >= m_pages->count())
        return;
    const QSignalBlocker blocker(m_tabBar);
    m_tabBar->setCurrentIndex(index);
    m_pages->setCurrentIndex(index);
}
