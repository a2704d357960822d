#pragma once

#include <QString>
#include <functional>

namespace account {
class ApiManager;
}
namespace platform {
class Defaults;
}

// The account state the settings cards show: whether the session is valid (the account manager's
// isSessionValid, unset counting as not), the way to mark it, and the signed-in e-mail. An empty
// function reads as signed out and marks nothing.
struct SettingsSession {
    std::function<bool()> isValid;
    std::function<void(bool valid)> setValid;
    std::function<QString()> email;

    bool valid() const { return isValid && isValid(); }
    // Over the app's account manager and the user defaults that hold "User_Email"; both are not
    // owned and must outlive every screen given the session.
    static SettingsSession of(account::ApiManager &manager, platform::Defaults &defaults);
};
