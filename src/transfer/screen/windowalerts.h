#pragma once

#include "transfer/devicealerts.h"

#include <QWidget>
#include <functional>

namespace transfer {

// Device alerts of the desktop app: each alert is an AlertSpec with the title, the message and one
// button, shown by the AlertPresenter (a message box opened without blocking, window-modal over
// the parent) on the main thread.
// showAlert may be called from any thread (the server's workers do); it hops to the main thread
// and returns at once. While a box with the same title and message is open, a repeat of that
// alert opens no second box.
class WindowAlerts final : public DeviceAlerts {
public:
    using ParentLookup = std::function<QWidget *()>;

    // The parent is looked up when the box opens; without a lookup it is the widget of the
    // top-most window (ZEPUtils::getTopMostViewController), or none.
    explicit WindowAlerts(ParentLookup parent = {});

    void showAlert(const QString &title, const QString &message, const QString &buttonTitle) override;

    // The object name of the boxes, for finding them.
    static QString boxObjectName();

private:
    ParentLookup m_parent;
};

} // namespace transfer
