#include "tarnwick/apiclient.h"
#include "tarnwick/protocol.h"
#include "testenvironment.h"

#include <QSysInfo>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <sys/utsname.h>

using tarnwick::ApiClient;
namespace proto = tarnwick::protocol;

namespace {

struct InterfaceName {
    const char *name;
    bool vpn;
};

void PrintTo(const InterfaceName &i, std::ostream *os) {
    *os << i.name;
}

class VpnInterfaceName : public ::testing::TestWithParam<InterfaceName> {};

TEST_P(VpnInterfaceName, IsRecognisedByItsFragment) {
    EXPECT_EQ(ApiClient::isVpnInterfaceName(QString::fromLatin1(GetParam().name)), GetParam().vpn);
}

INSTANTIATE_TEST_SUITE_P(Names, VpnInterfaceName,
                         ::testing::Values(InterfaceName{"tun0", true}, InterfaceName{"utun3", true},
                                           InterfaceName{"tap1", true}, InterfaceName{"ppp0", true},
                                           InterfaceName{"ipsec0", true}, InterfaceName{"wg0", true},
                                           InterfaceName{"WG-office", true}, InterfaceName{"eth0", false},
                                           InterfaceName{"wlan0", false}, InterfaceName{"lo", false},
                                           InterfaceName{"enp0s31f6", false}, InterfaceName{"docker0", false},
                                           InterfaceName{"", false}));

ApiClient makeClient(const QString &name, bool vpn) {
    tarnwick::ApiClientSettings settings;
    settings.appIdentifier = QStringLiteral("app.tidewell.Tidewell");
    settings.serviceUrl = QUrl(QStringLiteral("http://127.0.0.1:9/unused"));
    settings.secretStorePath = testsupport::sandboxRoot() + "/device/" + name + "/secrets.json";
    settings.remoteValuesPath = testsupport::sandboxRoot() + "/device/" + name + "/values.dat";
    settings.vpnProbe = [vpn] {
        return vpn;
    };
    return ApiClient(settings);
}

QStringList keys(const std::vector<std::pair<QString, QJsonValue>> &record) {
    QStringList names;
    for (const auto &entry : record)
        names << entry.first;
    return names;
}

TEST(DeviceRecord, CarriesThisMachinesFieldsInOrder) {
    ApiClient client = makeClient("plain", false);
    const auto record = client.deviceRecord();
    const QStringList order{proto::extraDeviceField, proto::deviceNameField, proto::systemVersionField,
                            proto::machineField,     proto::languageField,   proto::countryCodeField,
                            proto::countryNameField, proto::timeZoneField,   proto::vpnField,
                            proto::dateField};
    QStringList present = keys(record);
    EXPECT_FALSE(present.contains(proto::extraDeviceField)) << "no extra value set";
    // Whatever is left out, what is there keeps the fixed order.
    qsizetype last = -1;
    for (const QString &name : present) {
        const qsizetype index = order.indexOf(name);
        ASSERT_GT(index, last) << name.toStdString();
        last = index;
    }
    utsname machine{};
    ASSERT_EQ(::uname(&machine), 0);
    const auto value = [&record](const char *name) {
        for (const auto &[key, v] : record)
            if (key == QLatin1String(name))
                return v;
        return QJsonValue(QJsonValue::Undefined);
    };
    EXPECT_EQ(value(proto::machineField), QString::fromLocal8Bit(machine.machine));
    EXPECT_EQ(value(proto::deviceNameField), QSysInfo::machineHostName());
    EXPECT_EQ(value(proto::timeZoneField), QString::fromUtf8(QTimeZone::systemTimeZoneId()));
    EXPECT_EQ(value(proto::vpnField), proto::vpnInactive);
    EXPECT_FALSE(value(proto::dateField).toString().isEmpty());
}

TEST(DeviceRecord, ExtraValueComesFirstAndVpnFollowsTheProbe) {
    ApiClient client = makeClient("extra", true);
    client.setExtraDeviceValue(QStringLiteral("host-extra"));
    const auto record = client.deviceRecord();
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.front().first, proto::extraDeviceField);
    EXPECT_EQ(record.front().second, "host-extra");
    EXPECT_TRUE(keys(record).contains(proto::vpnField));
    for (const auto &[key, value] : record) {
        if (key == QLatin1String(proto::vpnField)) {
            EXPECT_EQ(value, proto::vpnActive);
        }
    }
}

} // namespace
