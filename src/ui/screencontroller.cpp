#include "ui/screencontroller.h"

namespace ui {

ScreenController::ScreenController(QObject *parent)
    : QObject(parent) {}

ScreenController::~ScreenController() = default;

void ScreenController::setTitle(const QString &title) {
    if (title == m_title)
        return;
    m_title = title;
    emit titleChanged(m_title);
}

void ScreenController::viewDidLoad() {}
void ScreenController::viewWillAppear() {}
void ScreenController::viewDidAppear() {}
void ScreenController::viewWillDisappear() {}

void ScreenController::loadViewIfNeeded() {
    if (m_loaded)
        return;
    m_loaded = true;
    viewDidLoad();
}

void ScreenController::beginAppearanceTransition(bool appearing) {
    if (appearing) {
        if (m_appearance != Appearance::Hidden)
            return;
        loadViewIfNeeded();
        m_appearance = Appearance::Appearing;
        viewWillAppear();
        return;
    }
    if (m_appearance == Appearance::Hidden)
        return;
    m_appearance = Appearance::Hidden;
    viewWillDisappear();
}

void ScreenController::endAppearanceTransition() {
    if (m_appearance != Appearance::Appearing)
        return;
    m_appearance = Appearance::Shown;
    viewDidAppear();
}

void ScreenController::push(ScreenController *screen) {
    if (screen)
        emit pushRequested(screen);
}

void ScreenController::present(ScreenController *screen, Presentation presentation) {
    if (screen)
        emit presentRequested(screen, presentation);
}

void ScreenController::dismiss() {
    emit dismissRequested();
}

void ScreenController::showAlert(const AlertSpec &alert) {
    emit alertRequested(alert);
}

} // namespace ui
