#include "browser/filebrowserviewcontroller.h"
#include "browser/import/importcopy.h"
#include "browser/import/importviewcontroller.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"
#include "platform/fileattributes.h"
#include "platform/log.h"
#include "testenvironment.h"
#include "thumbnails/imagedecoder.h"
#include "transfer/screen/transferservice.h"
#include "transfer/transferserver.h"
#include "http/urlencoding.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include "httpclient.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace browser;

namespace {

class NoViewers : public ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &) override { return nullptr; }
    ui::ScreenController *pdfReader(const QString &) override { return nullptr; }
};

const QDateTime importTime(QDate(2025, 6, 1), QTime(12, 0), Qt::UTC);

} // namespace

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_documents.isValid() && m_picked.isValid());
        platform::setLogSink([this](const QString &line) { m_log << line; });
        m_defaults =
            std::make_unique<platform::Defaults>("import-" + QFileInfo(m_documents.path()).fileName());
        m_browser = std::make_unique<FileBrowserViewController>(FileBrowserEnvironment{
            m_viewers, *m_defaults, [this] { return std::optional<QString>(m_documents.path()); }, {}});
        m_browser->viewDidLoad();
        m_sheet = std::make_unique<ImportViewController>(
            ImportEnvironment{[this] { return std::optional<QString>(m_documents.path()); },
                              thumbnails::isDecodableImage, [this] { return makeTransferScreen(); },
                              [] {
                                  return importTime;
                              }});
        m_sheet->setDelegate(m_browser.get());
        QObject::connect(m_sheet.get(), &ui::ScreenController::alertRequested,
                         [this](const ui::AlertSpec &alert) { m_alerts.push_back(alert); });
    }
    void TearDown() override {
        if (m_server)
            m_server->stop();
        platform::setLogSink({});
    }

    QString picked(const QString &name, const QByteArray &bytes) {
        testsupport::writeFile(m_picked.path() + "/" + name, bytes);
        return m_picked.path() + "/" + name;
    }
    QString document(const QString &name) const { return m_documents.path() + "/" + name; }
    void importAndWait(const QStringList &paths) {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        QSignalSpy finished(m_sheet.get(), &ImportViewController::importFinished);
        m_sheet->importPicked(urls);
        if (m_sheet->isImporting()) {
            ASSERT_TRUE(finished.wait(20000));
        }
    }
    QStringList listed() const {
        QStringList names;
        for (const FileItem &item : m_browser->items())
            names << item.name;
        return names;
    }
    transfer::TransferViewController *makeTransferScreen() {
        m_server =
            std::make_unique<transfer::TransferServer>([this] { return std::optional(m_documents.path()); });
        m_server->setPort(0);
        m_server->setBindAddress("127.0.0.1");
        m_service = std::make_unique<transfer::TransferServerService>(*m_server);
        return new transfer::TransferViewController(
            *m_service, m_theme, m_colors, [] { return std::optional<QString>("127.0.0.1"); },
            [this] { return std::optional<QString>(m_documents.path()); });
    }

    QTemporaryDir m_documents{testsupport::sandboxRoot() + "/documents-XXXXXX"};
    QTemporaryDir m_picked{testsupport::sandboxRoot() + "/picked-XXXXXX"};
    NoViewers m_viewers;
    std::unique_ptr<platform::Defaults> m_defaults;
    std::unique_ptr<FileBrowserViewController> m_browser;
    std::unique_ptr<ImportViewController> m_sheet;
    std::vector<ui::AlertSpec> m_alerts;
    QStringList m_log;
    ZEPThemeManager m_theme;
    ZEPColorResolver m_colors;
    std::unique_ptr<transfer::TransferServer> m_server;
    std::unique_ptr<transfer::TransferServerService> m_service;
};

TEST_F(ImportTest, CreateFolderButtonRuleAndRefusals) {
    m_sheet->showCreateFolderAlert();
    ASSERT_EQ(m_alerts.size(), 1u);
    EXPECT_EQ(m_alerts[0].actions[0].title, ImportViewController::createTitle());
    EXPECT_FALSE(m_alerts[0].isActionEnabled(0, {""}));
    EXPECT_TRUE(m_alerts[0].isActionEnabled(0, {" "}));

    QSignalSpy dismissed(m_sheet.get(), &ui::ScreenController::dismissRequested);
    ASSERT_TRUE(QDir().mkpath(document("taken")));
    for (const QString &name : {QString("taken"), QString("a/b"), QString(".."), QString(256, 'n')})
        m_sheet->createFolder(name);
    EXPECT_EQ(m_alerts.size(), 5u) << "one alert per refused name";
    EXPECT_EQ(dismissed.count(), 0) << "the sheet stays open";
    EXPECT_EQ(QDir(m_documents.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"taken"});

    m_sheet->createFolder("new");
    EXPECT_TRUE(QFileInfo(document("new")).isDir());
    QStringList names = listed(); // both made within one clock tick may share a creation date
    names.sort();
    EXPECT_EQ(names, (QStringList{"new", "taken"}));
    EXPECT_EQ(dismissed.count(), 1);
}

TEST_F(ImportTest, BatchImportsListedAndPictureFilesAndKeepsTheSheetOpenForARejectedOne) {
    testsupport::writeFile(document("older.txt"), "older");
    ASSERT_TRUE(platform::setCreationDate(document("older.txt"), importTime.addDays(-1)));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString oddPicture = m_picked.path() + "/picture.weird";
    ASSERT_TRUE(image.save(oddPicture, "PNG"));
    QSignalSpy dismissed(m_sheet.get(), &ui::ScreenController::dismissRequested);

    importAndWait({picked("doc.pdf", "%PDF-1.4 body"), picked("notes.txt", "words"), oddPicture});
    EXPECT_EQ(testsupport::readFile(document("doc.pdf")), "%PDF-1.4 body");
    EXPECT_TRUE(QFileInfo::exists(document("picture.weird")))
        << "an unlisted extension that decodes as an image";
    EXPECT_FALSE(QFileInfo::exists(document("notes.txt")));
    ASSERT_EQ(m_alerts.size(), 1u);
    EXPECT_FALSE(m_sheet->closeAfterImport());
    EXPECT_EQ(dismissed.count(), 0);
    EXPECT_EQ(platform::recordedCreationDate(QFile::encodeName(document("doc.pdf")), false), importTime);
    EXPECT_EQ(listed().first(), "older.txt") << "imported files count as created at import time";
    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(m_sheet->progress().filesDone, 2);
    EXPECT_EQ(m_sheet->progress().bytesDone, m_sheet->progress().bytesTotal);

    m_alerts[0].trigger(0, {});
    EXPECT_EQ(dismissed.count(), 1);
}

TEST_F(ImportTest, DuplicateLeavesTheExistingCopyAndASuccessfulBatchCloses) {
    testsupport::writeFile(document("same.pdf"), "existing");
    QSignalSpy dismissed(m_sheet.get(), &ui::ScreenController::dismissRequested);
    importAndWait({picked("same.pdf", "new bytes")});
    EXPECT_EQ(testsupport::readFile(document("same.pdf")), "existing");
    ASSERT_EQ(m_alerts.size(), 1u);
    EXPECT_EQ(dismissed.count(), 0);

    ImportViewController fresh(
        ImportEnvironment{[this] { return std::optional<QString>(m_documents.path()); }, {}, {}, {}});
    QSignalSpy freshDismissed(&fresh, &ui::ScreenController::dismissRequested);
    QSignalSpy finished(&fresh, &ImportViewController::importFinished);
    fresh.importPicked({QUrl::fromLocalFile(picked("other.zip", "zip"))});
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(freshDismissed.count(), 1);
}

// A copy that fails half-way (the file size limit) or is cancelled leaves nothing in the folder.
TEST_F(ImportTest, FailedOrCancelledCopyLeavesNothingBehind) {
    const QString source = picked("big.mp4", QByteArray(4 * 1024 * 1024, 'v'));
    const QString target = document("big.mp4");
    std::atomic<bool> cancel{true};
    auto cancelled = copyAsNewFile(source, target, importTime, cancel, {});
    ASSERT_FALSE(cancelled);
    EXPECT_EQ(cancelled.reason(), CopyError::Cancelled);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024 * 1024, 1024 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
        std::atomic<bool> go{false};
        auto copied = copyAsNewFile(source, target, importTime, go, {});
        ::_exit(!copied && copied.reason() == CopyError::WriteFailed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the copy must fail at the size limit";
    EXPECT_TRUE(
        QDir(m_documents.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(ImportTest, TransferSheetUploadsIntoTheShownSubFolderAndTheBrowserListsItOnClose) {
    ASSERT_TRUE(QDir().mkpath(document("Photos")));
    m_browser->reload();
    m_browser->openItem(0);
    ASSERT_EQ(m_browser->shownFolder(), document("Photos"));
    m_sheet->setOpenFolder(m_browser->openFolder());
    QSignalSpy presented(m_sheet.get(), &ui::ScreenController::presentRequested);
    m_sheet->openTransfer();
    ASSERT_EQ(presented.count(), 1);
    auto *transferScreen =
        qobject_cast<transfer::TransferViewController *>(presented[0][0].value<ui::ScreenController *>());
    ASSERT_TRUE(transferScreen);
    std::unique_ptr<ui::ScreenController> owner(transferScreen);
    transferScreen->viewDidLoad();
    transferScreen->viewWillAppear();
    ASSERT_TRUE(m_server->isRunning());

    const testsupport::HttpClient client("127.0.0.1", m_server->port(), 5);
    const std::string body = "note=t&name=up.png&content=" + http::encodeComponent("aGVsbG8=");
    auto reply = client.post("/upload", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(testsupport::readFile(document("Photos/up.png")), "hello");
    EXPECT_TRUE(m_browser->items().empty());

    transferScreen->viewWillDisappear();
    ASSERT_EQ(m_browser->items().size(), 1u);
    EXPECT_EQ(m_browser->items()[0].name, "up.png");
}

TEST_F(ImportTest, DroppedFolderComesWithItsImportableFilesOnlyAndOnlyOnce) {
    picked("Album/a.jpg", "jpeg bytes");
    picked("Album/notes.txt", "not importable");
    picked("Album/Trip/b.mp4", "video bytes");
    importAndWait({m_picked.path() + "/Album"});
    EXPECT_TRUE(m_alerts.empty());
    EXPECT_EQ(testsupport::readFile(document("Album/a.jpg")), "jpeg bytes");
    EXPECT_EQ(testsupport::readFile(document("Album/Trip/b.mp4")), "video bytes");
    EXPECT_FALSE(QFileInfo::exists(document("Album/notes.txt")));
    EXPECT_EQ(platform::recordedCreationDate(QFile::encodeName(document("Album/Trip/b.mp4")), false),
              importTime);
    EXPECT_EQ(listed(), QStringList{"Album"});

    importAndWait({m_picked.path() + "/Album"});
    ASSERT_EQ(m_alerts.size(), 1u) << "a folder of that name is there already";
    EXPECT_EQ(QDir(m_documents.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Album"});
}
