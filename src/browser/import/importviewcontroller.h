#pragma once

#include "browser/filebrowserviewcontroller.h"
#include "store/filerecord.h"
#include "transfer/screen/transferviewcontroller.h"
#include "transfer/screen/transferviewcontrollerdelegate.h"
#include "ui/screencontroller.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace browser {

// What the add sheet is handed by the code that composes the app. None is owned.
struct ImportEnvironment {
    // The document folder, looked up anew at each use; nullopt when there is none.
    std::function<std::optional<QString>()> documentFolder;
    // Whether a file is an image the app can decode; must read the header only.
    std::function<bool(const QString &path)> isDecodableImage;
    // A new transfer screen for openTransfer (the presenter owns it); may be empty.
    std::function<transfer::TransferViewController *()> makeTransferScreen;
    // The clock for the creation date of imported files; empty: the current time.
    std::function<QDateTime()> now;
};

// How far a running import has come, for the sheet's progress bar.
struct ImportProgress {
    qint64 bytesDone = 0;
    qint64 bytesTotal = 0;
    int filesDone = 0;
    int filesTotal = 0;
};

// The add sheet the browser's add button opens: create a folder, import files, receive files
// over Wi-Fi. Everything it creates or copies goes into the folder the browser shows (openFolder,
// none for the document folder).
//
// importPicked checks each picked file on the GUI thread in order: an extension of
// importableExtensions passes, any other file passes when it is an image (header check only);
// a file that does not pass, or whose name is taken in the destination, gets its alert and
// clears closeAfterImport. The files that pass are copied in that order off the GUI thread
// (copyAsNewFile: never overwrites, never leaves a partial file, the creation date set before
// the copy shows). progressChanged reports bytes and files; cancelImport stops after the file
// under way is discarded. When the batch ends the browser lists the destination again and the
// sheet closes if closeAfterImport is still true; a pressed alert closes it once the batch is
// done. Destroying the controller (closing the sheet) cancels the batch, waits for the copy under
// way to be discarded and re-lists the destination. GUI thread only.
class ImportViewController : public ui::ScreenController, public transfer::TransferViewControllerDelegate {
    Q_OBJECT
public:
    explicit ImportViewController(ImportEnvironment environment, QObject *parent = nullptr);
    ~ImportViewController() override;

    static QStringList importableExtensions();
    static QString createFolderLabel();
    static QString importLabel();
    static QString transferLabel();
    static QString createTitle(); // the create-folder alert's create button
    static QString transferTitle();

    FileBrowserViewController *delegate() const { return m_delegate; }
    void setDelegate(FileBrowserViewController *browser) { m_delegate = browser; }
    const std::optional<FileRecord> &openFolder() const { return m_openFolder; }
    void setOpenFolder(std::optional<FileRecord> folder) { m_openFolder = std::move(folder); }
    bool closeAfterImport() const { return m_closeAfterImport; }
    // The folder everything goes to: openFolder's path, else the document folder.
    QString destinationFolder() const;

    // The create-folder row.
    void showCreateFolderAlert();
    void createFolder(const QString &name);
    // The create button's rule: enabled exactly when the field is not empty (a space counts).
    static bool folderNameFieldChanged(const QStringList &fields);

    // The import row: asks the view for the desktop's file dialog (several files).
    void pickDocuments();
    // The picked or dropped files (local file URLs), in order. Ignored while an import runs.
    void importPicked(const QList<QUrl> &urls);
    bool isImporting() const { return m_job != nullptr; }
    ImportProgress progress() const { return m_progress; }
    void cancelImport();

    // The transfer row: the transfer screen as a sheet for the destination folder; when it
    // closes it asks the browser to list the destination again.
    void openTransfer();
    // The close button.
    void close();

    transfer::FolderRefreshing *fileBrowser() const override;

signals:
    void documentPickRequested();
    void progressChanged();
    // A batch of copies ended (finished, failed or cancelled).
    void importFinished();

private:
    struct Job;
    // Whether the file may be imported, else shows the alert that says why.
    bool importOne(const QUrl &url, QList<QUrl> &accepted);
    void showImportAlert(const QString &title, const QString &message);
    void startCopies(const QList<QUrl> &files);
    void copyFinished(const QString &name, bool copied, bool duplicate, const QString &error);
    void batchFinished();
    // refreshRoot at the document folder after a new folder, refreshFolder otherwise.
    void refreshBrowser(bool rootAtTop);
    QDateTime now() const;

    ImportEnvironment m_env;
    QPointer<FileBrowserViewController> m_delegate;
    std::optional<FileRecord> m_openFolder;
    bool m_closeAfterImport = true;
    bool m_dismissWhenDone = false;
    std::shared_ptr<Job> m_job;
    QFuture<void> m_copying;
    ImportProgress m_progress;
    QPointer<transfer::TransferViewController> m_transfer;
};

} // namespace browser
