#include "zepcommon/localnetwork/lnainfoviewcontroller.h"

#include "zepcommon/theme/zepthememanager.h"

namespace localnetwork {

LNAInfoViewController::LNAInfoViewController(ZEPThemeManager &theme, QObject *parent)
    : ScreenController(parent)
    , m_theme(theme) {
    setTitle(tr("Allow Local Network"));
}

QString LNAInfoViewController::caption(Image image) const {
    switch (image) {
    case Image::Home:
        return tr("Open this computer's settings.");
    case Image::Settings:
        return tr("Go to the network or firewall settings.");
    case Image::Wifi:
        return tr("Join the same Wi-Fi network as the other device.");
    case Image::Lock:
        return tr("Allow multicast DNS (mDNS, UDP port 5353) and make sure avahi-daemon runs.");
    }
    return {};
}

void LNAInfoViewController::viewDidLoad() {
    const QString suffix = m_theme.themeSuffix();
    m_images[size_t(Image::Home)] = QStringLiteral("Home-") + suffix;
    m_images[size_t(Image::Wifi)] = QStringLiteral("bx_wifi-") + suffix;
    m_images[size_t(Image::Lock)] = QStringLiteral("Lock-") + suffix;
    m_images[size_t(Image::Settings)] = QStringLiteral("Settings-") + suffix;
    emit imagesChanged();
}

} // namespace localnetwork
