#pragma once

#include <QString>

namespace catalogue {

// Shows a count on the app's launcher icon: the Update signal of com.canonical.Unity.LauncherEntry
// on the session bus ("count", and "count-visible" while the count is above 0), which the KDE
// and GNOME docks show. Without a session bus the count goes to the console instead.
// desktopFileId names the app's desktop entry ("tidewell.desktop"). Any thread.
void setLauncherBadge(int count, const QString &desktopFileId = QStringLiteral("tidewell.desktop"));

} // namespace catalogue
