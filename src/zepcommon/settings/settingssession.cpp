#include "zepcommon/settings/settingssession.h"

#include "platform/defaults.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/account/apimanager.h"

SettingsSession SettingsSession::of(account::ApiManager &manager, platform::Defaults &defaults) {
    return {
        [&manager] { return manager.isSessionValid().value_or(false); },
        [&manager](bool valid) { manager.setIsSessionValid(valid); },
        [&defaults] { return defaults.stringValue(QString::fromLatin1(account::keys::email)); },
    };
}
