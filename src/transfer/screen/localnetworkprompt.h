#pragma once

#include <functional>

namespace ui {
class ScreenController;
}
namespace localnetwork {
class LNAManager;
}

namespace transfer {

// What the transfer screen needs to host the local-network permission screen: the manager whose
// probes it starts on appearing, a maker of the permission screen, and whether the screen was
// already offered in this run (shared by every transfer screen of the app, so it comes once).
struct LocalNetworkPrompt {
    localnetwork::LNAManager &manager;
    std::function<ui::ScreenController *()> makeScreen;
    bool offered = false;
};

} // namespace transfer
