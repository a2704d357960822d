#include "platform/log.h"
#include "testenvironment.h"
#include "transfer/screen/transferservice.h"
#include "transfer/screen/transferviewcontroller.h"
#include "transfer/screen/wifiaddress.h"
#include "transfer/transferserver.h"
#include "http/urlencoding.h"
#include "zepcommon/qr/qrcodedecoder.h"
#include "zepcommon/theme/zepcolorresolver.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include "httpclient.h"

using transfer::TransferViewController;
using Label = TransferViewController::Label;
using platform::InterfaceAddress;

namespace {

InterfaceAddress v4(const QString &name, const QString &address) {
    return {name, address, false, false, false};
}

InterfaceAddress v6(const QString &name, const QString &address, bool linkLocal = false) {
    return {name, address, true, false, linkLocal};
}

TEST(WifiAddress, KeepsTheLastUsableAddressOfTheWifiInterface) {
    const std::vector<InterfaceAddress> ethernetFirst = {v4("eth0", "10.0.0.2"), v4("wlan0", "192.168.1.20"),
                                                         v4("eth0", "10.0.0.3")};
    EXPECT_EQ(transfer::wifiAddress(ethernetFirst, "wlan0"), "192.168.1.20");

    // getifaddrs lists IPv6 after IPv4: the IPv6 address is the one shown.
    const std::vector<InterfaceAddress> both = {v4("wlan0", "192.168.1.20"), v6("wlan0", "2001:db8::20")};
    EXPECT_EQ(transfer::wifiAddress(both, "wlan0"), "2001:db8::20");
    const std::vector<InterfaceAddress> reversed = {v6("wlan0", "2001:db8::20"), v4("wlan0", "192.168.1.20")};
    EXPECT_EQ(transfer::wifiAddress(reversed, "wlan0"), "192.168.1.20");

    // A link-local address cannot be opened from a browser and never replaces a usable one.
    const std::vector<InterfaceAddress> linkLocalLast = {v4("wlan0", "192.168.1.20"),
                                                         v6("wlan0", "fe80::1c2b:3dff:fe4e:5f60", true)};
    EXPECT_EQ(transfer::wifiAddress(linkLocalLast, "wlan0"), "192.168.1.20");
}

TEST(WifiAddress, NoneWithoutWifi) {
    const std::vector<InterfaceAddress> wired = {v4("lo", "127.0.0.1"), v4("eth0", "10.0.0.2")};
    EXPECT_EQ(transfer::wifiAddress(wired, "wlan0"), std::nullopt);
    EXPECT_EQ(transfer::wifiAddress(wired, ""), std::nullopt);
    EXPECT_EQ(transfer::wifiAddress({}, "wlan0"), std::nullopt);
    EXPECT_EQ(transfer::wifiAddress({v6("wlan0", "fe80::1", true)}, "wlan0"), std::nullopt);
}

TEST(WifiAddress, UrlPutsIPv6InBrackets) {
    EXPECT_EQ(transfer::transferUrl("192.168.1.20", 8080), "http://192.168.1.20:8080");
    EXPECT_EQ(transfer::transferUrl("2001:db8::20", 8080), "http://[2001:db8::20]:8080");
    EXPECT_EQ(QUrl(transfer::transferUrl("2001:db8::20", 8080)).port(), 8080);
    EXPECT_EQ(QUrl(transfer::transferUrl("2001:db8::20", 8080)).host(), "2001:db8::20");
}

class RecordingBrowser final : public transfer::FolderRefreshing,
                               public transfer::TransferViewControllerDelegate {
public:
    void refreshFolder(const QUrl &folder) override { refreshed.push_back(folder); }
    FolderRefreshing *fileBrowser() const override {
        return hasBrowser ? const_cast<RecordingBrowser *>(this) : nullptr;
    }

    std::vector<QUrl> refreshed;
    bool hasBrowser = true;
};

// Answer status of a request, 0 when nothing answers.
int status(const std::optional<testsupport::HttpResult> &result) {
    return result ? result->status : 0;
}

// A server that only notes what the screen asks of it.
class RecordingService final : public transfer::TransferService {
public:
    static constexpr quint16 listeningPort = 8123;

    void registerRoutes(const std::optional<QString> &uploadFolder) override {
        calls << "routes " + uploadFolder.value_or("without upload");
    }
    bool start() override {
        calls << "start";
        running = true;
        return true;
    }
    void stop() override {
        calls << "stop";
        running = false;
    }
    bool isRunning() const override { return running; }
    quint16 port() const override { return running ? listeningPort : 8080; }
    void setAccessCodeEnabled(bool enabled) override {
        calls << (enabled ? "code on" : "code off");
        code = enabled ? "123456" : "";
    }
    QString accessCode() const override { return code; }

    QStringList calls;
    bool running = false;
    QString code;
};

class TransferScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        m_documents = m_root.path() + "/Documents";
        ASSERT_TRUE(QDir().mkpath(m_documents + "/Photos"));
        m_theme.applyTheme(ThemeColor::Orange);
        m_screen = makeScreen(m_service);
    }
    void TearDown() override {
        if (m_server)
            m_server->stop();
        platform::setLogSink({});
    }

    std::unique_ptr<TransferViewController> makeScreen(transfer::TransferService &service) {
        auto screen = std::make_unique<TransferViewController>(
            service, m_theme, m_colors, [this] { return m_address; }, [this] { return m_documentFolder; });
        screen->viewDidLoad();
        return screen;
    }

    // The screen over a real transfer server on a free loopback port.
    void useRealServer() {
        m_server = std::make_unique<transfer::TransferServer>([this] { return std::optional(m_documents); });
        m_server->setPort(0);
        m_server->setBindAddress("127.0.0.1");
        m_adapter = std::make_unique<transfer::TransferServerService>(*m_server);
        m_screen = makeScreen(*m_adapter);
    }

    testsupport::HttpClient client() const { return testsupport::HttpClient("127.0.0.1", m_server->port(), 5); }

    int upload(const std::string &name, const std::string &bytes) const {
        const std::string content = QByteArray::fromStdString(bytes).toBase64().toStdString();
        const std::string body =
            "note=test&name=" + http::encodeComponent(name) + "&content=" + http::encodeComponent(content);
        return status(client().post("/upload", body, "application/x-www-form-urlencoded"));
    }

    QTemporaryDir m_root;
    QString m_documents;
    std::optional<QString> m_address = QStringLiteral("192.168.1.20");
    std::optional<QString> m_documentFolder;
    ZEPThemeManager m_theme;
    ZEPColorResolver m_colors;
    RecordingService m_service;
    std::unique_ptr<transfer::TransferServer> m_server;
    std::unique_ptr<transfer::TransferServerService> m_adapter;
    std::unique_ptr<TransferViewController> m_screen;
};

TEST_F(TransferScreenTest, LoadsTenLabelsWithThePlaceholderInTheAddress) {
    QStringList texts;
    for (int i = 0; i < TransferViewController::labelCount; ++i)
        texts << m_screen->labelText(Label(i));
    texts.removeDuplicates();
    EXPECT_EQ(texts.size(), TransferViewController::labelCount);
    EXPECT_FALSE(texts.contains(QString()));
    EXPECT_EQ(m_screen->addressLabelText(), TransferViewController::placeholderText());
    EXPECT_TRUE(m_service.calls.isEmpty());
}

TEST_F(TransferScreenTest, AppearingStartsTheServerAtTheAddressShownAndDisappearingStopsIt) {
    m_documentFolder = m_documents;
    RecordingBrowser browser;
    m_screen->setDelegate(&browser);

    m_screen->viewWillAppear();
    EXPECT_EQ(m_service.calls, (QStringList{"routes " + m_documents, "start"}));
    const QString expected = QStringLiteral("http://192.168.1.20:%1").arg(RecordingService::listeningPort);
    EXPECT_EQ(m_screen->addressLabelText(), expected);
    EXPECT_EQ(m_screen->address(), expected);
    EXPECT_EQ(m_screen->addressColor(), QColor(0xFF, 0x8A, 0x00));
    const auto codes = QRCodeDecoder::decode(m_screen->addressCode());
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0].stringValue, expected);

    m_screen->viewWillDisappear();
    EXPECT_FALSE(m_service.isRunning());
    ASSERT_EQ(browser.refreshed.size(), 1u);
    EXPECT_EQ(browser.refreshed[0], QUrl::fromLocalFile(m_documents));

    // Reopening registers the same routes again and starts again.
    m_service.calls.clear();
    m_screen->viewWillAppear();
    m_screen->viewWillDisappear();
    EXPECT_EQ(m_service.calls, (QStringList{"routes " + m_documents, "start", "stop"}));
    EXPECT_EQ(browser.refreshed.size(), 2u);
}

// The switch turns the server's access code on and off; while on, the code is on screen and in the
// QR code's fragment, so scanning the code signs the browser in.
TEST_F(TransferScreenTest, AccessCodeSwitchShowsTheCodeAndPutsItInTheQrCode) {
    m_screen->viewWillAppear();
    const QString page = QStringLiteral("http://192.168.1.20:%1").arg(RecordingService::listeningPort);
    EXPECT_FALSE(m_screen->isAccessCodeEnabled());
    EXPECT_EQ(m_screen->accessCodeText(), QString());

    const std::pair<bool, QString> steps[] = {{true, page + "#code=123456"}, {false, page}};
    for (const auto &[enabled, scanned] : steps) {
        m_screen->setAccessCodeEnabled(enabled);
        EXPECT_EQ(m_service.calls.back(), enabled ? "code on" : "code off");
        EXPECT_EQ(m_screen->accessCodeText(), enabled ? "Access code: 123456" : "");
        EXPECT_EQ(m_screen->addressLabelText(), page) << "the address shown stays the page's own";
        const auto codes = QRCodeDecoder::decode(m_screen->addressCode());
        ASSERT_EQ(codes.size(), 1u);
        EXPECT_EQ(codes[0].stringValue, scanned);
    }
}

TEST_F(TransferScreenTest, OverTheRealServerNothingAnswersAfterClosing) {
    useRealServer();
    // Without any folder only the upload route is missing.
    m_screen->viewWillAppear();
    EXPECT_EQ(upload("lost.png", "png bytes"), 404);
    EXPECT_EQ(status(client().get("/")), 200);
    m_screen->viewWillDisappear();

    m_documentFolder = m_documents;
    m_screen->viewWillAppear();
    ASSERT_TRUE(m_server->isRunning());
    EXPECT_EQ(m_screen->address(), QStringLiteral("http://192.168.1.20:%1").arg(m_server->port()));
    EXPECT_EQ(status(client().get("/")), 200);
    EXPECT_EQ(status(client().get("/list")), 200);

    const uint16_t port = m_server->port();
    m_screen->viewWillDisappear();
    EXPECT_FALSE(m_server->isRunning());
    EXPECT_EQ(status(testsupport::HttpClient("127.0.0.1", port).get("/")), 0);

    // Reopening registers and serves the same routes again.
    m_screen->viewWillAppear();
    ASSERT_TRUE(m_server->isRunning());
    EXPECT_EQ(status(client().get("/")), 200);
    EXPECT_EQ(upload("again.png", "png bytes"), 200);
    EXPECT_TRUE(QFile::exists(m_documents + "/again.png"));
    m_screen->viewWillDisappear();

    // Opened for a sub-folder, uploads land there and not at the top.
    const QString photos = m_documents + "/Photos";
    m_screen->setFolderRecord(FileRecord(QUrl::fromLocalFile(photos), QDateTime::currentDateTimeUtc()));
    m_screen->viewWillAppear();
    EXPECT_EQ(upload("beach.jpg", "jpeg bytes"), 200);
    EXPECT_TRUE(QFile::exists(photos + "/beach.jpg"));
    EXPECT_FALSE(QFile::exists(m_documents + "/beach.jpg"));
    m_screen->viewWillDisappear();
}

TEST_F(TransferScreenTest, UploadsGoToTheFolderTheScreenWasOpenedFor) {
    m_documentFolder = m_documents;
    RecordingBrowser browser;
    m_screen->setDelegate(&browser);
    const QString photos = m_documents + "/Photos";
    m_screen->setFolderRecord(FileRecord(QUrl::fromLocalFile(photos), QDateTime::currentDateTimeUtc()));

    m_screen->viewWillAppear();
    EXPECT_EQ(m_service.calls.first(), "routes " + photos);
    m_screen->viewWillDisappear();
    ASSERT_EQ(browser.refreshed.size(), 1u);
    EXPECT_EQ(browser.refreshed[0], QUrl::fromLocalFile(photos));

    // Back at the top of the document folder.
    m_screen->setFolderRecord(std::nullopt);
    m_service.calls.clear();
    m_screen->viewWillAppear();
    EXPECT_EQ(m_service.calls.first(), "routes " + m_documents);
    m_screen->viewWillDisappear();
    EXPECT_EQ(browser.refreshed.back(), QUrl::fromLocalFile(m_documents));
}

TEST_F(TransferScreenTest, IPv6AddressIsShownInBrackets) {
    m_address = QStringLiteral("2001:db8::20");
    m_screen->viewWillAppear();
    const QString expected = QStringLiteral("http://[2001:db8::20]:%1").arg(RecordingService::listeningPort);
    EXPECT_EQ(m_screen->addressLabelText(), expected);
    EXPECT_EQ(QUrl(expected).host(), "2001:db8::20");
}

TEST_F(TransferScreenTest, WithoutWifiThePlaceholderStaysAndTheServerStillRuns) {
    m_documentFolder = m_documents;
    m_screen->viewWillAppear();
    m_address.reset(); // the network went away before the next appearance
    m_screen->viewWillDisappear();
    m_screen->viewWillAppear();
    EXPECT_EQ(m_screen->addressLabelText(), TransferViewController::placeholderText());
    EXPECT_EQ(m_screen->address(), std::nullopt);
    EXPECT_TRUE(m_screen->addressCode().isNull());
    EXPECT_TRUE(m_service.isRunning());
    EXPECT_EQ(m_service.calls.last(), "start");
}

TEST_F(TransferScreenTest, WithoutAnyFolderOnlyTheUploadRouteIsMissing) {
    RecordingBrowser browser;
    m_screen->setDelegate(&browser);
    m_screen->viewWillAppear();
    EXPECT_EQ(m_service.calls, (QStringList{"routes without upload", "start"}));
    m_screen->viewWillDisappear();
    EXPECT_TRUE(browser.refreshed.empty());
    EXPECT_FALSE(m_service.isRunning());
}

TEST_F(TransferScreenTest, ClosingWithoutABrowserOnlyStopsTheServer) {
    m_documentFolder = m_documents;
    RecordingBrowser sheet;
    sheet.hasBrowser = false;
    m_screen->setDelegate(&sheet);
    m_screen->viewWillAppear();
    m_screen->viewWillDisappear();
    EXPECT_TRUE(sheet.refreshed.empty());
    EXPECT_FALSE(m_service.isRunning());

    m_screen->setDelegate(nullptr);
    m_screen->viewWillAppear();
    m_screen->viewWillDisappear();
    EXPECT_FALSE(m_service.isRunning());
}

TEST_F(TransferScreenTest, TabIconsBounceOnlyInATabBar) {
    QStringList lines;
    platform::setLogSink([&lines](const QString &line) { lines << line; });
    int bounces = 0;
    QObject::connect(m_screen.get(), &TransferViewController::bounceRequested, [&bounces] { ++bounces; });

    m_screen->viewDidAppear();
    EXPECT_EQ(bounces, 0);
    EXPECT_TRUE(lines.contains(TransferViewController::notInTabBarLogLine()));

    lines.clear();
    m_screen->setInTabBar(true);
    m_screen->viewDidAppear();
    m_screen->viewDidAppear();
    EXPECT_EQ(bounces, 2);
    EXPECT_FALSE(lines.contains(TransferViewController::notInTabBarLogLine()));
}

TEST_F(TransferScreenTest, AddressColourFollowsTheTheme) {
    m_theme.applyTheme(ThemeColor::Blue);
    m_screen->viewWillAppear();
    EXPECT_EQ(m_screen->addressColorName(), "ZEPColorInAppWithoutDark-blue");
    EXPECT_EQ(m_screen->addressColor(), QColor(0x1E, 0x7B, 0xF0));
}

} // namespace
