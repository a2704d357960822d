#include "transfer/screen/transferlocalnetwork.h"

#include "transfer/screen/transferviewcontroller.h"
#include "ui/viewregistry.h"
#include "zepcommon/localnetwork/desktopintegration.h"
#include "zepcommon/localnetwork/lnamanager.h"
#include "zepcommon/localnetwork/localnetworkviews.h"
#include "zepcommon/localnetwork/serviceannouncer.h"

namespace transfer {

using namespace localnetwork;

TransferLocalNetwork::TransferLocalNetwork(platform::Defaults &defaults, platform::NotificationCenter &center,
                                           ZEPThemeManager &theme, const ui::ColorResolver &colors,
                                           const RemoteValues &remoteValues, QObject *parent)
    : QObject(parent)
    , m_center(center)
    , m_theme(theme)
    , m_colors(colors)
    , m_remoteValues(remoteValues)
    , m_manager(std::make_unique<LNAManager>(defaults, center))
    , m_reachability(new NetworkReachability(this))
    , m_relay(new ApplicationStateRelay(center, this))
    , m_announcer(new ServiceAnnouncer(this)) {
    m_prompt = std::make_unique<LocalNetworkPrompt>(LocalNetworkPrompt{
        *m_manager, [this]() -> ui::ScreenController * {
            return new LNAPermissionScreen(*m_manager, *m_reachability, m_remoteValues, m_theme, m_colors,
                                           &openNetworkSettings, m_center);
        }});
}

TransferLocalNetwork::~TransferLocalNetwork() = default;

void TransferLocalNetwork::registerViews(ui::ViewRegistry &views) {
    views.add<LNAPermissionScreen>([](LNAPermissionScreen *screen) { return new LNAPermissionView(screen); });
    views.add<LNAInfoViewController>([](LNAInfoViewController *screen) { return new LNAInfoView(screen); });
    views.add<NotificationPermissionScreen>(
        [](NotificationPermissionScreen *screen) { return new NotificationPermissionView(screen); });
}

void TransferLocalNetwork::attach(TransferViewController *screen) {
    screen->setAnnouncer(m_announcer);
    screen->setLocalNetworkPrompt(m_prompt.get());
}

} // namespace transfer
