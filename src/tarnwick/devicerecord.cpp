#include "devicerecord.h"

#include "tarnwick/protocol.h"

#include <QDateTime>
#include <QLocale>
#include <QSysInfo>
#include <QTimeZone>

#include <sys/utsname.h>

namespace tarnwick::detail {
namespace {

QString machineIdentifier() {
    utsname name{};
    if (::uname(&name) != 0)
        return {};
    return QString::fromLocal8Bit(name.machine);
}

// The date as the phone's short-date, long-time formatter writes it, in the user's locale.
QString formattedNow() {
    const QLocale locale = QLocale::system();
    const QString format = locale.dateFormat(QLocale::ShortFormat) + QStringLiteral(", ") +
                           locale.timeFormat(QLocale::LongFormat);
    return locale.toString(QDateTime::currentDateTime(), format);
}

} // namespace

std::vector<std::pair<QString, QJsonValue>> buildDeviceRecord(const QString &extraValue, bool vpnActive) {
    const QLocale locale = QLocale::system();
    const QLocale::Territory territory = locale.territory();
    const bool hasTerritory = territory != QLocale::AnyTerritory;
    const std::pair<const char *, QString> fields[] = {
        {protocol::extraDeviceField, extraValue},
        {protocol::deviceNameField, QSysInfo::machineHostName()},
        {protocol::systemVersionField, QSysInfo::productVersion()},
        {protocol::machineField, machineIdentifier()},
        {protocol::languageField, locale.uiLanguages().value(0)},
        {protocol::countryCodeField, hasTerritory ? QLocale::territoryToCode(territory) : QString()},
        // territoryToString names the territory in English, the fixed locale of this field.
        {protocol::countryNameField, hasTerritory ? QLocale::territoryToString(territory) : QString()},
        {protocol::timeZoneField, QString::fromUtf8(QTimeZone::systemTimeZoneId())},
        {protocol::vpnField, QString::fromLatin1(vpnActive ? protocol::vpnActive : protocol::vpnInactive)},
        {protocol::dateField, formattedNow()},
    };
    std::vector<std::pair<QString, QJsonValue>> record;
    for (const auto &[field, value] : fields) {
        if (!value.isEmpty())
            record.emplace_back(QString::fromLatin1(field), value);
    }
    return record;
}

} // namespace tarnwick::detail
