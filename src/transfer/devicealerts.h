#pragma once

#include <QString>

namespace transfer {

// Where the transfer server shows its alerts on the device: one title, one message, one button.
// Called from the server's worker threads; an implementation that shows a window hops to the main
// thread itself.
class DeviceAlerts {
public:
    virtual ~DeviceAlerts() = default;
    virtual void showAlert(const QString &title, const QString &message, const QString &buttonTitle) = 0;
};

// Writes each alert as one console line; used by the headless server.
class ConsoleAlerts final : public DeviceAlerts {
public:
    void showAlert(const QString &title, const QString &message, const QString &buttonTitle) override;
};

} // namespace transfer
