#include "platform/networkinterfaces.h"

#include "platform/defaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>

namespace platform {

std::vector<InterfaceAddress> interfaceAddresses() {
    std::vector<InterfaceAddress> result;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> guard(list, &::freeifaddrs);
    for (ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || !(entry->ifa_flags & IFF_UP))
            continue;
        const int family = entry->ifa_addr->sa_family;
        if (family != AF_INET && family != AF_INET6)
            continue;
        char text[INET6_ADDRSTRLEN] = {};
        InterfaceAddress address;
        address.interfaceName = QString::fromLocal8Bit(entry->ifa_name);
        address.isLoopback = entry->ifa_flags & IFF_LOOPBACK;
        if (family == AF_INET) {
            const auto *in = reinterpret_cast<const sockaddr_in *>(entry->ifa_addr);
            if (!::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
                continue;
        } else {
            const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(entry->ifa_addr);
            if (!::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text))
                continue;
            address.isIPv6 = true;
            address.isLinkLocal = IN6_IS_ADDR_LINKLOCAL(&in6->sin6_addr);
        }
        address.address = QString::fromLatin1(text);
        result.push_back(address);
    }
    return result;
}

std::vector<QString> upInterfaceNames() {
    std::vector<QString> names;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0)
        return names;
    std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> guard(list, &::freeifaddrs);
    for (ifaddrs *entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name || !(entry->ifa_flags & IFF_UP))
            continue;
        const QString name = QString::fromLocal8Bit(entry->ifa_name);
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    return names;
}

bool isWirelessInterface(const QString &name) {
    return !name.isEmpty() && !name.contains('/') &&
           QFileInfo::exists("/sys/class/net/" + name + "/wireless");
}

QString defaultRouteInterface() {
    QFile routes("/proc/net/route");
    if (!routes.open(QIODevice::ReadOnly))
        return {};
    routes.readLine(); // header
    while (!routes.atEnd()) {
        const QList<QByteArray> fields = routes.readLine().simplified().split(' ');
        if (fields.size() > 2 && fields[1] == "00000000")
            return QString::fromLocal8Bit(fields[0]);
    }
    return {};
}

QString wifiInterfaceName() {
    const QStringList names = QDir("/sys/class/net").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        if (isWirelessInterface(name))
            return name;
    if (const QString routed = defaultRouteInterface(); !routed.isEmpty())
        return routed;
    return Defaults::standard().stringValue("WiFiInterface");
}

} // namespace platform
