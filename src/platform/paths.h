#pragma once

#include <QString>
#include <optional>

namespace platform {

// The document folder: $TIDEWELL_DOCUMENTS when set, else $XDG_DATA_HOME/Tidewell/Documents
// (default ~/.local/share/Tidewell/Documents). It is looked up anew at every call and created
// when missing; nullopt when it cannot be created or is not a folder. An override set with
// setDocumentFolderOverride (the serve command's --documents) wins over both.
std::optional<QString> documentFolder();
void setDocumentFolderOverride(const QString &folder);

// $XDG_DATA_HOME/Tidewell, $XDG_CONFIG_HOME/Tidewell and $XDG_CACHE_HOME/Tidewell, created on use.
QString dataFolder();
QString configFolder();
QString cacheFolder();

} // namespace platform
