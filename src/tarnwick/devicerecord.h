#pragma once

#include <QJsonValue>
#include <QString>
#include <utility>
#include <vector>

namespace tarnwick::detail {

// The ten-field device record of this machine, in the order it travels; fields whose source is
// empty are left out.
std::vector<std::pair<QString, QJsonValue>> buildDeviceRecord(const QString &extraValue, bool vpnActive);

} // namespace tarnwick::detail
