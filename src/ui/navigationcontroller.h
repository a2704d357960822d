#pragma once

#include "ui/screencontroller.h"

#include <QPointer>
#include <vector>

namespace ui {

// A stack of screens of which the top one shows, with the behaviour of a navigation bar: its
// title is the top screen's, and going back is possible when more than one screen is stacked.
//
// It is a screen itself: its appearance is passed on to the top screen. Pushing while it is
// visible makes the old top disappear and the new one appear (willDisappear, willAppear, pushed,
// didAppear); popping does the reverse. A stacked screen's push request pushes onto this stack,
// a pushed screen's dismiss request pops it; presentations and alerts of stacked screens are
// passed on as this screen's own requests, so the host of the stack carries them out.
//
// A pushed screen without a parent is adopted and deleted (later) once popped. GUI thread only.
class NavigationController : public ScreenController {
    Q_OBJECT
public:
    explicit NavigationController(ScreenController *root, QObject *parent = nullptr);
    ~NavigationController() override;

    int depth() const { return int(m_screens.size()); }
    ScreenController *topScreen() const;
    ScreenController *screenAt(int index) const;
    bool canGoBack() const { return depth() > 1; }

    void pushScreen(ScreenController *screen);
    // Pops the top screen; false (and nothing changes) when only the root is left.
    bool popScreen();

    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;

signals:
    void pushed(ui::ScreenController *screen);
    void popped(ui::ScreenController *screen);

private:
    void adopt(ScreenController *screen);
    void updateTitle();

    std::vector<QPointer<ScreenController>> m_screens;
};

} // namespace ui
