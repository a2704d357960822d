#pragma once

#include "platform/networkinterfaces.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace transfer {

// The device's address on its Wi-Fi interface, as numeric host text (no name lookup).
//
// The list is walked to its end and the last usable entry of the interface wins, so when the
// interface carries an IPv4 and a global IPv6 address the one listed last is shown (getifaddrs
// lists IPv6 after IPv4 on Linux). Link-local IPv6 addresses (fe80::/10) are passed over: a
// browser cannot open them without a zone, which URLs do not carry. nullopt when the interface
// name is empty or no entry matches.
std::optional<QString> wifiAddress(const std::vector<platform::InterfaceAddress> &addresses,
                                   const QString &interfaceName);

// A lookup of the same over the machine's interfaces (read at each call), for the interface of
// that name (the Wi-Fi interface: platform::wifiInterfaceName() or the user's setting).
std::function<std::optional<QString>()> addressLookup(const QString &interfaceName);

// What a person types into a browser: "http://" + host + ":" + port, where an IPv6 host
// is put in brackets so that its colons are not read as the port separator.
QString transferUrl(const QString &host, quint16 port);

} // namespace transfer
