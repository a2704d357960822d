#pragma once

#include "zepcommon/localnetwork/reachability.h"

#include <QObject>
#include <QString>

#include <functional>

class QNetworkInformation;

namespace platform {
class NotificationCenter;
}

namespace localnetwork {

// Reachability from QNetworkInformation where a backend loads; else any non-loopback interface
// that is up counts, checked again every few seconds. GUI thread only.
class NetworkReachability final : public Reachability {
    Q_OBJECT
public:
    explicit NetworkReachability(QObject *parent = nullptr);
    bool isReachable() const override;

private:
    QNetworkInformation *m_information = nullptr;
    bool m_lastInterfacesUp = false;
};

// True when a non-loopback interface is up and running.
bool anyInterfaceUp();

// Posts the application's activation changes (Qt's application state) on the notification
// centre as did-become-active and will-resign-active, which the LNAManager observes.
class ApplicationStateRelay final : public QObject {
    Q_OBJECT
public:
    explicit ApplicationStateRelay(platform::NotificationCenter &center, QObject *parent = nullptr);
};

// Opens the desktop's settings for the network or the firewall: the first of GNOME's, KDE's,
// NetworkManager's editor, firewalld's and Xfce's settings that is installed. False when none is.
bool openNetworkSettings();

// Asks for notification permission the freedesktop way: one test notification the person sees.
// Calls back on the GUI thread with whether the notification server took it (false without one).
void requestNotificationAuthorization(std::function<void(bool)> completion);

} // namespace localnetwork
