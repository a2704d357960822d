#pragma once

#include "ui/alertspec.h"

#include <functional>

namespace account {

// The screen on top of the window, as the account service needs it for its one alert: the
// greeting of a device signed in by a scanned QR code. The app implements it over its screen
// host; calls come on the main thread.
class TopScreen {
public:
    virtual ~TopScreen() = default;
    // Shows the alert over the topmost screen without blocking.
    virtual void presentAlert(const ui::AlertSpec &alert) = 0;
    // Whether the topmost screen is the QR reader.
    virtual bool isQrReaderOnTop() const = 0;
    // Dismisses the topmost screen; completion runs once it is gone.
    virtual void dismissTop(bool animated, std::function<void()> completion) = 0;
};

} // namespace account
