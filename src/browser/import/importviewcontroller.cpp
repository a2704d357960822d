#include "browser/import/importviewcontroller.h"

#include "browser/filebrowserviewcontroller.h"
#include "browser/import/importcopy.h"
#include "browser/operations/filename.h"
#include "platform/log.h"
#include "transfer/screen/transferviewcontroller.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace browser {

namespace {

qint64 importSize(const QString &path) {
    const QFileInfo info(path);
    if (!info.isDir())
        return info.size();
    qint64 size = 0;
    QDirIterator entries(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        size += entries.fileInfo().size();
    }
    return size;
}

} // namespace

struct ImportViewController::Job {
    QList<QUrl> files;
    QString destination;
    QDateTime created;
    std::atomic<bool> cancel{false};
};

ImportViewController::ImportViewController(ImportEnvironment environment, QObject *parent)
    : ScreenController(parent)
    , m_env(std::move(environment)) {
    setTitle(tr("Add"));
}

ImportViewController::~ImportViewController() {
    const bool copying = m_job != nullptr;
    if (copying)
        m_job->cancel = true;
    m_copying.waitForFinished();
    // Closing the sheet cancels the batch; what was copied before stays and shows.
    if (copying)
        refreshBrowser(false);
    if (m_transfer)
        m_transfer->setDelegate(nullptr);
}

QStringList ImportViewController::importableExtensions() {
    return {QStringLiteral("pdf"),  QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
            QStringLiteral("heic"), QStringLiteral("gif"), QStringLiteral("mp4"), QStringLiteral("mov"),
            QStringLiteral("mp3"),  QStringLiteral("zip")};
}

QString ImportViewController::createFolderLabel() {
    return tr("Create Folder");
}

QString ImportViewController::importLabel() {
    return tr("Import Files");
}

QString ImportViewController::transferLabel() {
    return tr("Receive Files over Wi-Fi");
}

QString ImportViewController::createTitle() {
    return tr("Create");
}

QString ImportViewController::transferTitle() {
    return tr("Wi-Fi Transfer");
}

QString ImportViewController::destinationFolder() const {
    if (m_openFolder)
        return m_openFolder->path();
    return m_env.documentFolder ? m_env.documentFolder().value_or(QString()) : QString();
}

QDateTime ImportViewController::now() const {
    return m_env.now ? m_env.now() : QDateTime::currentDateTimeUtc();
}

transfer::FolderRefreshing *ImportViewController::fileBrowser() const {
    return m_delegate.data();
}

void ImportViewController::close() {
    dismiss();
}

void ImportViewController::refreshBrowser(bool rootAtTop) {
    if (!m_delegate)
        return;
    if (m_openFolder || !rootAtTop)
        m_delegate->refreshFolder(QUrl::fromLocalFile(destinationFolder()));
    else
        m_delegate->refreshRoot();
}

bool ImportViewController::folderNameFieldChanged(const QStringList &fields) {
    return !fields.isEmpty() && !fields.first().isEmpty();
}

void ImportViewController::showCreateFolderAlert() {
    ui::AlertSpec alert;
    alert.title = tr("New Folder");
    alert.message = tr("Enter a name for the new folder.");
    alert.addTextField(tr("Folder name"));
    alert.addAction(
        createTitle(), ui::AlertSpec::Style::Default,
        [this](const QStringList &fields) { createFolder(fields.value(0)); }, &folderNameFieldChanged);
    alert.addAction(tr("Cancel"), ui::AlertSpec::Style::Cancel);
    showAlert(alert);
}

void ImportViewController::createFolder(const QString &name) {
    if (const std::optional<QString> problem = fileNameProblem(name)) {
        ui::AlertSpec alert;
        alert.title = tr("Invalid Name");
        alert.message = *problem;
        alert.icon = ui::AlertSpec::Icon::Warning;
        alert.addAction(tr("OK"));
        showAlert(alert);
        return;
    }
    const QString parent = destinationFolder();
    const QString target = QDir(parent).filePath(name);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        ui::AlertSpec alert;
        alert.title = tr("Folder Exists");
        alert.message = tr("An item named \"%1\" is already in this folder.").arg(name);
        alert.icon = ui::AlertSpec::Icon::Warning;
        alert.addAction(tr("OK"));
        showAlert(alert);
        return;
    }
    if (QDir().mkpath(target))
        platform::log(QStringLiteral("Created the folder %1").arg(target));
    else
        platform::log(QStringLiteral("Could not create the folder %1").arg(target));
    refreshBrowser(true);
    dismiss();
}

void ImportViewController::pickDocuments() {
    if (isImporting())
        return;
    emit documentPickRequested();
}

void ImportViewController::showImportAlert(const QString &title, const QString &message) {
    m_closeAfterImport = false;
    ui::AlertSpec alert;
    alert.title = title;
    alert.message = message;
    alert.icon = ui::AlertSpec::Icon::Warning;
    alert.addAction(tr("OK"), ui::AlertSpec::Style::Default, [this](const QStringList &) {
        // The copies of the batch go on; the sheet closes when they are done.
        if (isImporting())
            m_dismissWhenDone = true;
        else
            dismiss();
    });
    showAlert(alert);
}

bool ImportViewController::importOne(const QUrl &url, QList<QUrl> &accepted) {
    const QString path = url.toLocalFile();
    const QString name = QFileInfo(path).fileName();
    const QString target = QDir(destinationFolder()).filePath(name);
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        showImportAlert(tr("File Already Exists"),
                        tr("\"%1\" is already in this folder and was not imported.").arg(name));
        return false;
    }
    accepted.append(url);
    return true;
}

void ImportViewController::importPicked(const QList<QUrl> &urls) {
    if (isImporting()) {
        platform::log(
            QStringLiteral("Import: a batch is still being copied; %1 files ignored").arg(urls.size()));
        return;
    }
    QList<QUrl> accepted;
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        const bool listed = importableExtensions().contains(info.suffix().toLower());
        // Only the header is read to recognise a picture, whatever the file's size.
        // A folder (dropped from the desktop) comes with the files inside it that pass these rules.
        const bool folder = info.isDir() && !info.isSymLink();
        const bool importable =
            folder || (info.isFile() && (listed || (m_env.isDecodableImage && m_env.isDecodableImage(path))));
        if (!importable) {
            showImportAlert(tr("Unsupported File"),
                            tr("\"%1\" is not a kind of file that can be imported.").arg(info.fileName()));
            continue;
        }
        importOne(url, accepted);
    }
    if (accepted.isEmpty()) {
        if (m_closeAfterImport)
            dismiss();
        return;
    }
    startCopies(accepted);
}

void ImportViewController::startCopies(const QList<QUrl> &files) {
    auto job = std::make_shared<Job>();
    job->files = files;
    job->destination = destinationFolder();
    job->created = now();
    m_job = job;
    m_progress = {};
    m_progress.filesTotal = int(files.size());
    for (const QUrl &file : files)
        m_progress.bytesTotal += importSize(file.toLocalFile());
    emit progressChanged();

    // The files inside a dropped folder follow the picker's rules; the test runs on the copying
    // thread and reads headers only.
    auto accept = [isImage = m_env.isDecodableImage](const QString &path) {
        return importableExtensions().contains(QFileInfo(path).suffix().toLower()) ||
               (isImage && isImage(path));
    };
    m_copying = QtConcurrent::run([this, job, accept] {
        qint64 before = 0;
        for (const QUrl &file : job->files) {
            const QString source = file.toLocalFile();
            const QString name = QFileInfo(source).fileName();
            auto report = [this, before](qint64 bytes) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done = before + bytes] {
                        m_progress.bytesDone = done;
                        emit progressChanged();
                    },
                    Qt::QueuedConnection);
            };
            const QString target = QDir(job->destination).filePath(name);
            auto copied = QFileInfo(source).isDir()
                              ? copyFolderAsNew(source, target, job->created, job->cancel, report, accept)
                              : copyAsNewFile(source, target, job->created, job->cancel, report);
            if (copied)
                before += *copied;
            const bool duplicate = !copied && copied.reason() == CopyError::AlreadyExists;
            const QString error = copied ? QString() : copied.message();
            QMetaObject::invokeMethod(
                this,
                [this, name, ok = copied.ok(), duplicate, error] {
                    copyFinished(name, ok, duplicate, error);
                },
                Qt::QueuedConnection);
            if (job->cancel)
                break;
        }
        QMetaObject::invokeMethod(
            this, [this] { batchFinished(); }, Qt::QueuedConnection);
    });
}

void ImportViewController::copyFinished(const QString &name, bool copied, bool duplicate,
                                        const QString &error) {
    ++m_progress.filesDone;
    emit progressChanged();
    if (copied) {
        platform::log(QStringLiteral("Imported %1").arg(name));
        return;
    }
    if (duplicate) {
        showImportAlert(tr("File Already Exists"),
                        tr("\"%1\" is already in this folder and was not imported.").arg(name));
        return;
    }
    platform::log(QStringLiteral("Import of %1 failed: %2").arg(name, error));
}

void ImportViewController::batchFinished() {
    const bool cancelled = m_job && m_job->cancel;
    m_job.reset();
    emit progressChanged();
    emit importFinished();
    refreshBrowser(false);
    if (cancelled) {
        platform::log(QStringLiteral("Import cancelled"));
        return;
    }
    if (m_closeAfterImport || m_dismissWhenDone)
        dismiss();
}

void ImportViewController::cancelImport() {
    if (m_job)
        m_job->cancel = true;
}

void ImportViewController::openTransfer() {
    if (!m_env.makeTransferScreen)
        return;
    transfer::TransferViewController *screen = m_env.makeTransferScreen();
    if (!screen)
        return;
    screen->setDelegate(this);
    screen->setFolderRecord(m_openFolder);
    m_transfer = screen;
    // Presented on its own rather than in a navigation stack: the screen's close button
    // dismisses its sheet, which a stack's root cannot.
    screen->setTitle(transferTitle());
    present(screen, ui::Presentation::sheet(0));
}

} // namespace browser
