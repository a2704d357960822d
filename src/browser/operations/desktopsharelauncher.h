#pragma once

#include "browser/operations/sharemenu.h"

namespace browser {

// The share menu's entries on a freedesktop desktop: QDesktopServices for the default
// application, org.freedesktop.FileManager1.ShowItems over the session bus (else the containing
// folder opens), the application clipboard, xdg-email started detached. GUI thread only.
class DesktopShareLauncher final : public ShareLauncher {
public:
    bool openWithDefault(const QUrl &file) override;
    bool showInFileManager(const QUrl &file) override;
    bool setClipboard(std::unique_ptr<QMimeData> data) override;
    bool mail(const QUrl &file) override;
};

} // namespace browser
