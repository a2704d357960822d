#pragma once

#include "transfer/screen/localnetworkprompt.h"

#include <QObject>
#include <memory>

class RemoteValues;
class ZEPThemeManager;

namespace platform {
class Defaults;
class NotificationCenter;
} // namespace platform
namespace ui {
class ColorResolver;
class ViewRegistry;
} // namespace ui
namespace localnetwork {
class ApplicationStateRelay;
class LNAManager;
class NetworkReachability;
class ServiceAnnouncer;
} // namespace localnetwork

namespace transfer {

class TransferViewController;

// The desktop app's local-network side of the transfer screen, composed once: the LNAManager fed
// by Qt's application state, reachability, the DNS-SD announcer of the transfer server, and the
// views of the permission, info and notification screens. The collaborators are not owned and
// outlive this object. GUI thread only.
class TransferLocalNetwork : public QObject {
    Q_OBJECT
public:
    TransferLocalNetwork(platform::Defaults &defaults, platform::NotificationCenter &center,
                         ZEPThemeManager &theme, const ui::ColorResolver &colors,
                         const RemoteValues &remoteValues, QObject *parent = nullptr);
    ~TransferLocalNetwork() override;

    void registerViews(ui::ViewRegistry &views);
    // Makes the transfer screen announce its server and host the permission screen.
    void attach(TransferViewController *screen);

    localnetwork::LNAManager &manager() const { return *m_manager; }

private:
    platform::NotificationCenter &m_center;
    ZEPThemeManager &m_theme;
    const ui::ColorResolver &m_colors;
    const RemoteValues &m_remoteValues;
    std::unique_ptr<localnetwork::LNAManager> m_manager;
    localnetwork::NetworkReachability *m_reachability;
    localnetwork::ApplicationStateRelay *m_relay;
    localnetwork::ServiceAnnouncer *m_announcer;
    std::unique_ptr<LocalNetworkPrompt> m_prompt;
};

} // namespace transfer
