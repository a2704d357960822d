#pragma once

#include "ui/screencontroller.h"

#include <QObject>
#include <QPointer>

class QWidget;

namespace ui {

class SheetContainer;
class ViewRegistry;

// Carries out what screens request of the window: presentations become sheets over the window
// (full screen, a sheet of the asked height, popovers as compact sheets) with the view the
// registry makes for the presented screen, and alerts open through the AlertPresenter. Attached
// screens' requests are handled; a presented screen is attached in turn. The window and the
// registry are not owned and outlive the host. GUI thread only.
class ScreenHost : public QObject {
    Q_OBJECT
public:
    static constexpr int popoverHeight = 320;

    ScreenHost(QWidget *window, const ViewRegistry &views, QObject *parent = nullptr);

    void attach(ScreenController *screen);
    SheetContainer *present(ScreenController *screen, Presentation presentation);

private:
    QPointer<QWidget> m_window;
    const ViewRegistry &m_views;
};

} // namespace ui
