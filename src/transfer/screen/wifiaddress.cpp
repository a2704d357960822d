#include "transfer/screen/wifiaddress.h"

namespace transfer {

std::optional<QString> wifiAddress(const std::vector<platform::InterfaceAddress> &addresses,
                                   const QString &interfaceName) {
    if (interfaceName.isEmpty())
        return std::nullopt;
    std::optional<QString> result;
    for (const platform::InterfaceAddress &entry : addresses) {
        if (entry.interfaceName != interfaceName || entry.address.isEmpty())
            continue;
        if (entry.isIPv6 && entry.isLinkLocal)
            continue;
        result = entry.address;
    }
    return result;
}

std::function<std::optional<QString>()> addressLookup(const QString &interfaceName) {
    return [interfaceName] {
        return wifiAddress(platform::interfaceAddresses(), interfaceName);
    };
}

QString transferUrl(const QString &host, quint16 port) {
    const QString shownHost = host.contains(':') ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("http://%1:%2").arg(shownHost).arg(port);
}

} // namespace transfer
