#include "ui/screenhost.h"

#include "ui/alertpresenter.h"
#include "ui/sheetcontainer.h"
#include "ui/viewregistry.h"

#include <QWidget>

namespace ui {

ScreenHost::ScreenHost(QWidget *window, const ViewRegistry &views, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_views(views) {}

void ScreenHost::attach(ScreenController *screen) {
    if (!screen)
        return;
    connect(screen, &ScreenController::presentRequested, this, &ScreenHost::present, Qt::UniqueConnection);
    connect(screen, &ScreenController::alertRequested, this,
            [this](const AlertSpec &alert) { AlertPresenter::present(alert, m_window); });
}

SheetContainer *ScreenHost::present(ScreenController *screen, Presentation presentation) {
    if (!screen || !m_window)
        return nullptr;
    int height = presentation.height;
    if (presentation.style == Presentation::Style::FullScreen)
        height = SheetContainer::fullScreenHeight;
    else if (presentation.style == Presentation::Style::Popover && height <= 0)
        height = popoverHeight;
    attach(screen);
    auto *sheet = new SheetContainer(screen, m_views.makeView(screen), m_window, height);
    sheet->open();
    return sheet;
}

} // namespace ui
