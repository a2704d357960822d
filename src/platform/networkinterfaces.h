#pragma once

#include <QString>
#include <vector>

namespace platform {

struct InterfaceAddress {
    QString interfaceName;
    QString address; // numeric form, without brackets or zone
    bool isIPv6 = false;
    bool isLoopback = false;
    bool isLinkLocal = false;
};

// Every address of every interface that is up, in the order getifaddrs reports them.
std::vector<InterfaceAddress> interfaceAddresses();

// The names of the interfaces that are up, whether or not they carry an address, each once.
std::vector<QString> upInterfaceNames();

// True when /sys/class/net/<name>/wireless exists.
bool isWirelessInterface(const QString &name);

// The interface that carries the IPv4 default route (/proc/net/route), or empty.
QString defaultRouteInterface();

// The interface treated as Wi-Fi: the first wireless one, else the one carrying the default route,
// else the one named by the "WiFiInterface" default. Empty when none of these exists.
QString wifiInterfaceName();

} // namespace platform
