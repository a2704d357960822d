#pragma once

#include <QUrl>

namespace transfer {

// A file browser that can list one of its folders again.
class FolderRefreshing {
public:
    virtual ~FolderRefreshing() = default;
    // Re-reads the folder at this file URL from disk (the document folder included).
    virtual void refreshFolder(const QUrl &folder) = 0;
};

// The screen that shows the transfer screen. When the transfer screen goes away it reaches the
// browser through this delegate and asks it to reload the upload folder. The delegate is not
// owned; whoever sets it clears it (setDelegate(nullptr)) before it is destroyed.
class TransferViewControllerDelegate {
public:
    virtual ~TransferViewControllerDelegate() = default;
    // The delegate's own file browser; nullptr when it has none.
    virtual FolderRefreshing *fileBrowser() const = 0;
};

} // namespace transfer
