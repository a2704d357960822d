#include "reachabilityfeed.h"

#include "apimanager.h"

#include "platform/log.h"
#include "platform/networkinterfaces.h"

#include <algorithm>

namespace account {

namespace {

bool nonLoopbackInterfaceUp() {
    const auto addresses = platform::interfaceAddresses();
    return std::any_of(addresses.begin(), addresses.end(),
                       [](const platform::InterfaceAddress &address) { return !address.isLoopback; });
}

} // namespace

bool isNetworkReachable(QNetworkInformation::Reachability reachability, bool nonLoopbackInterfaceUp) {
    switch (reachability) {
    case QNetworkInformation::Reachability::Disconnected:
        return false;
    case QNetworkInformation::Reachability::Local:
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online:
        return true;
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return nonLoopbackInterfaceUp;
}

ReachabilityFeed::ReachabilityFeed(ApiManager &manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager) {
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        m_information = QNetworkInformation::instance();
    if (m_information) {
        connect(m_information, &QNetworkInformation::reachabilityChanged, this, [this] { update(); });
    } else {
        platform::log(QStringLiteral("No reachability backend; reading the network interfaces instead"));
        m_poll.setInterval(pollInterval);
        connect(&m_poll, &QTimer::timeout, this, [this] { update(); });
        m_poll.start();
    }
    update();
}

void ReachabilityFeed::update() {
    const auto reachability =
        m_information ? m_information->reachability() : QNetworkInformation::Reachability::Unknown;
    const bool reachable = isNetworkReachable(reachability, nonLoopbackInterfaceUp());
    if (reachable != m_manager.isWifi())
        platform::log(reachable ? QStringLiteral("Network reachable")
                                : QStringLiteral("Network unreachable"));
    m_manager.setIsWifi(reachable);
}

} // namespace account
