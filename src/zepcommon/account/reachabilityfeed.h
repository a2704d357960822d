#pragma once

#include <QNetworkInformation>
#include <QObject>
#include <QTimer>

namespace account {

class ApiManager;

// Whether the network counts as reachable for the account service: the backend's answer when it
// knows one; while it does not (Unknown, or no backend at all), whether an interface other than
// loopback is up with an address.
bool isNetworkReachable(QNetworkInformation::Reachability reachability, bool nonLoopbackInterfaceUp);

// The host's wiring of ApiManager::isWifi to the network: QNetworkInformation's reachability where
// a backend exists, else the interfaces, read again every pollInterval. Sets isWifi at once on
// construction and on every change. Lives on the main thread beside the manager, which must
// outlive it.
class ReachabilityFeed : public QObject {
public:
    static constexpr int pollInterval = 5000; // milliseconds

    explicit ReachabilityFeed(ApiManager &manager, QObject *parent = nullptr);

private:
    void update();

    ApiManager &m_manager;
    QNetworkInformation *m_information = nullptr;
    QTimer m_poll;
};

} // namespace account
