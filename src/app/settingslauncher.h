#pragma once

#include "zepcommon/settings/settingsscreen.h"

#include <QList>

class RemoteValues;

// Builds the app's settings list and opens the settings screen. Class operations only.
class SettingsLauncher {
public:
    // The remote value that turns the sign-in row on, and the text it must hold.
    static QString signInRemoteKey() { return QStringLiteral("s.i.r"); }
    static QString signInRemoteValue() { return QStringLiteral("1"); }
    // The FAQs link handed to the screen.
    static QString faqsLink() { return QStringLiteral("https://www.tidewell.app/support/"); }

    // Five sections: account (the sign-in row only when the remote value for signInRemoteKey is
    // available and equals signInRemoteValue as text, else empty), review and share, help,
    // contact, legal.
    static QList<SettingsSectionData> makeSettingsSections(const RemoteValues &remoteValues);

    // A new settings screen with the sections, the app's store identifier and the FAQs link,
    // presented as a sheet from `from`. Rows whose hook the environment lacks (sign-in, rating)
    // are left out. Returns the screen, which the presenting host owns.
    static SettingsScreen *openSettings(ui::ScreenController *from, SettingsEnvironment environment,
                                        const RemoteValues &remoteValues);
};
