#include "ui/navigationcontroller.h"

namespace ui {

NavigationController::NavigationController(ScreenController *root, QObject *parent)
    : ScreenController(parent) {
    if (root)
        adopt(root);
    updateTitle();
}

NavigationController::~NavigationController() = default;

ScreenController *NavigationController::topScreen() const {
    return m_screens.empty() ? nullptr : m_screens.back().data();
}

ScreenController *NavigationController::screenAt(int index) const {
    if (index < 0 || index >= depth())
        return nullptr;
    return m_screens[size_t(index)].data();
}

void NavigationController::adopt(ScreenController *screen) {
    if (!screen->parent())
        screen->setParent(this);
    m_screens.emplace_back(screen);
    connect(screen, &ScreenController::pushRequested, this, &NavigationController::pushScreen);
    connect(screen, &ScreenController::presentRequested, this, &ScreenController::presentRequested);
    connect(screen, &ScreenController::alertRequested, this, &ScreenController::alertRequested);
    connect(screen, &ScreenController::titleChanged, this, &NavigationController::updateTitle);
    connect(screen, &ScreenController::dismissRequested, this, [this, screen] {
        if (topScreen() == screen && depth() > 1)
            popScreen();
    });
}

void NavigationController::updateTitle() {
    if (ScreenController *top = topScreen())
        setTitle(top->title());
}

void NavigationController::pushScreen(ScreenController *screen) {
    if (!screen || screen == topScreen())
        return;
    ScreenController *previous = topScreen();
    const bool visible = isVisible();
    if (visible && previous)
        previous->beginAppearanceTransition(false);
    adopt(screen);
    if (visible)
        screen->beginAppearanceTransition(true);
    updateTitle();
    emit pushed(screen);
    if (visible)
        screen->endAppearanceTransition();
}

bool NavigationController::popScreen() {
    if (depth() <= 1)
        return false;
    QPointer<ScreenController> leaving = m_screens.back();
    ScreenController *below = m_screens[m_screens.size() - 2].data();
    const bool visible = isVisible();
    if (visible && leaving)
        leaving->beginAppearanceTransition(false);
    m_screens.pop_back();
    if (leaving)
        disconnect(leaving, nullptr, this, nullptr);
    if (visible && below)
        below->beginAppearanceTransition(true);
    updateTitle();
    emit popped(leaving);
    if (visible && below)
        below->endAppearanceTransition();
    if (leaving && leaving->parent() == this)
        leaving->deleteLater();
    return true;
}

void NavigationController::viewDidLoad() {
    if (ScreenController *top = topScreen())
        top->loadViewIfNeeded();
}

void NavigationController::viewWillAppear() {
    if (ScreenController *top = topScreen())
        top->beginAppearanceTransition(true);
}

void NavigationController::viewDidAppear() {
    if (ScreenController *top = topScreen())
        top->endAppearanceTransition();
}

void NavigationController::viewWillDisappear() {
    if (ScreenController *top = topScreen())
        top->beginAppearanceTransition(false);
}

} // namespace ui
