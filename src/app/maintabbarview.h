#pragma once

#include <QWidget>

class BottomTabBar;
class MainTabBarController;
class QStackedWidget;
class ZEPThemeManager;

// The root screen's widgets: the pages of the tabs above the tab bar. A click on a tab asks the
// controller to switch (it may refuse, and the bar then stays); the controller's selection
// decides which page shows. A tab screen's bounce request bounces the tab icons.
class MainTabBarView : public QWidget {
    Q_OBJECT
public:
    // The controller is not owned and outlives the view. Pages are added in tab order; each tab
    // takes its title and icon from the controller's tab item.
    MainTabBarView(MainTabBarController *controller, ZEPThemeManager &theme, QWidget *parent = nullptr);

    void addPage(QWidget *page);
    BottomTabBar *tabBar() const { return m_tabBar; }
    QStackedWidget *pages() const { return m_pages; }

private:
    void tabClicked(int index);
    void showSelected(int index);

    MainTabBarController *m_controller;
    ZEPThemeManager &m_theme;
    QStackedWidget *m_pages;
    BottomTabBar *m_tabBar;
};
