#pragma once

#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QStackedWidget;
class QToolButton;

namespace ui {

class NavigationController;
class ScreenController;
class ViewRegistry;

// The view of a NavigationController: a bar with a back button (shown when more than one screen
// is stacked), the top screen's title, a large title under the bar, and the pages of the stacked
// screens, of which the top one shows. Pages come from the registry; a screen without a
// registered view gets an empty page. The back button pops the controller's top screen.
//
// The controller and the registry are not owned and outlive the view. GUI thread only.
class NavigationStack : public QWidget {
    Q_OBJECT
public:
    NavigationStack(NavigationController *controller, const ViewRegistry &views, QWidget *parent = nullptr);

    NavigationController *controller() const { return m_controller; }
    QToolButton *backButton() const { return m_back; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *largeTitleLabel() const { return m_largeTitle; }
    QStackedWidget *pages() const { return m_pages; }
    void setLargeTitleShown(bool shown);
    // Hides the bar and the large title, for stacks whose screens carry their own back buttons.
    void setBarHidden(bool hidden);

private:
    void addPage(ScreenController *screen);
    void removeTopPage();
    void updateBar();

    NavigationController *m_controller;
    const ViewRegistry &m_views;
    QToolButton *m_back;
    QLabel *m_title;
    QLabel *m_largeTitle;
    QStackedWidget *m_pages;
    bool m_largeTitleShown = true;
    bool m_barHidden = false;
    QHBoxLayout *m_bar;
};

} // namespace ui
