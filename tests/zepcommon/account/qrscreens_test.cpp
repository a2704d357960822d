// The account screen and the QR reader over ApiManager: the reader's rules, sign-out and deletion,
// the change-password row, an unconfirmed QR sign-in, and two devices signing in by QR code
// against a real tidewell-api on loopback.
#include "accountrecorder.h"

#include "platform/defaults.h"
#include "tarnwick/apiclient.h"
#include "testapiserver.h"
#include "testenvironment.h"
#include "ui/colorresolver.h"
#include "zepcommon/account/qrpayload.h"
#include "zepcommon/account/qrscreens/createqrscreen.h"
#include "zepcommon/account/qrscreens/nocamera.h"
#include "zepcommon/account/qrscreens/readqrscreen.h"
#include "zepcommon/qr/qrcodedecoder.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QTcpServer>
#include <gtest/gtest.h>

using account::ApiManager;
using account::CreateQRScreen;
using account::ReadQRScreen;
using namespace testsupport;

namespace {

const QString email = QStringLiteral("ada@example.org");
const QString password = QStringLiteral("first-password");

class NoColors : public ui::ColorResolver {
public:
    std::optional<QColor> color(const QString &) const override { return std::nullopt; }
};

// What a screen asked of its host, in order: "alert|title|message", "dismiss", "push".
struct ScreenLog {
    QStringList requests;
    std::vector<ui::AlertSpec> alerts;

    void watch(ui::ScreenController &screen) {
        QObject::connect(&screen, &ui::ScreenController::alertRequested, [this](const ui::AlertSpec &alert) {
            alerts.push_back(alert);
            requests << "alert|" + alert.title + "|" + alert.message;
        });
        QObject::connect(&screen, &ui::ScreenController::dismissRequested, [this] { requests << "dismiss"; });
        QObject::connect(&screen, &ui::ScreenController::pushRequested, [this] { requests << "push"; });
    }
    // Chooses the action of the last alert by its title.
    void choose(const QString &action) {
        ASSERT_FALSE(alerts.empty());
        const auto &actions = alerts.back().actions;
        for (size_t i = 0; i < actions.size(); ++i)
            if (actions[i].title == action)
                return void(alerts.back().trigger(int(i), {}));
        FAIL() << "no action " << action.toStdString();
    }
};

// A loopback URL where nothing listens: a port that was free a moment ago.
QUrl deadUrl() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
    return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/call").arg(probe.serverPort()));
}

// One app instance: its own client, user-defaults file, notification centre and ApiManager, and
// the notifications posted on its centre.
struct Device {
    Device(const tarnwick::ApiClientSettings &settings, const QString &name)
        : client(settings)
        , defaults(name + QString::number(++count))
        , manager(client, defaults, center) {
        manager.setTopScreen(&top);
        for (const char *note : {"User_SignIn_App_After_QR", "User_Sign_Out"})
            center.addObserver(note, [this](const auto &n) { posted << n.name; });
    }
    std::unique_ptr<CreateQRScreen>
    accountScreen(std::function<ui::ScreenController *()> changePassword = {}) {
        auto screen = std::make_unique<CreateQRScreen>(manager, defaults, center, theme, colors,
                                                       std::move(changePassword));
        log.watch(*screen);
        screen->loadViewIfNeeded();
        return screen;
    }
    std::unique_ptr<ReadQRScreen> reader() {
        auto screen = std::make_unique<ReadQRScreen>(manager, defaults, center,
                                                     std::make_shared<account::NoCameraBackend>());
        log.watch(*screen);
        screen->loadViewIfNeeded();
        return screen;
    }
    QString stored(const char *key) const { return defaults.stringValue(key); }
    // Runs the operation and waits until its rule ran.
    void run(const std::function<void(ApiManager &)> &operation, const char *endpoint) {
        operation(manager);
        EXPECT_TRUE(waiter.waitFor(endpoint)) << endpoint;
    }
    bool sessionValid() {
        run([](ApiManager &m) { m.validateSession(); }, "_user-validate-session");
        return manager.isSessionValid().value_or(false);
    }
    void signUpAndIn() {
        run([](ApiManager &m) { m.signUp(email, password); }, "_user-signup");
        manager.setSignInDelegate(&signInScreen); // the sign-in rule stores nothing without one
        run([](ApiManager &m) { m.signIn(email, password); }, "_user-login");
        defaults.setValue("User_Email", email);
        ASSERT_FALSE(stored("Sign_In_User_SessionID").isEmpty());
    }

    static inline int count = 0;
    tarnwick::ApiClient client;
    platform::Defaults defaults;
    platform::NotificationCenter center;
    ApiManager manager;
    RecordingTopScreen top;
    AccountRecorder signInScreen;
    ZEPThemeManager theme;
    NoColors colors;
    ScreenLog log;
    QStringList posted;
    AnswerWaiter waiter;
};

// ---- the reader's rules, without a server ----

struct ReaderCase {
    const char *name;
    QString text;
    bool signedIn;
    bool errorAlertUp;
    QStringList requests; // of the screen, after the error alert that may be up
    bool adopted;
};

void PrintTo(const ReaderCase &c, std::ostream *out) {
    *out << c.name;
}

class ReaderRules : public ::testing::TestWithParam<ReaderCase> {};

const QString goodCode = account::QrSignInPayload{"user-1", "session-1", "b@example.org", true}.encode();

TEST_P(ReaderRules, HandlesTheScannedText) {
    const ReaderCase &c = GetParam();
    Device device{testClientSettings(deadUrl(), "reader-rules"), "reader-rules-"};
    device.defaults.setValue("Sign_In_User_UserID", "mine");
    device.manager.setIsSessionValid(c.signedIn ? std::optional(true) : std::nullopt);
    auto reader = device.reader();
    if (c.errorAlertUp) {
        reader->handleScannedText("not,a,code");
        ASSERT_TRUE(reader->isErrorAlertUp());
        device.log.requests.clear();
    }

    reader->handleScannedText(c.text);
    EXPECT_EQ(device.log.requests, c.requests);
    EXPECT_EQ(device.stored("Sign_In_User_UserID"), c.adopted ? "user-1" : "mine");
    EXPECT_EQ(reader->isBlurShown(), c.adopted);
    EXPECT_EQ(reader->isLoading(), c.adopted);
    EXPECT_EQ(device.posted, c.adopted ? QStringList{"User_SignIn_App_After_QR"} : QStringList{});
    if (c.adopted) {
        EXPECT_EQ(device.stored("Sign_In_User_SessionID"), "session-1");
        EXPECT_EQ(device.stored("User_Email"), "b@example.org");
        EXPECT_TRUE(device.defaults.boolValue("Third_Party_Sign_In"));
        EXPECT_EQ(device.manager.isSessionValid(), true);
        EXPECT_EQ(reader->heading(), "Congratulations");
    }
    if (!c.requests.isEmpty() && c.requests.front().startsWith("alert|Error")) {
        EXPECT_EQ(reader->currentScannedCode(), c.text);
        reader->handleScannedText(goodCode);
        EXPECT_EQ(device.stored("Sign_In_User_UserID"), "mine") << "ignored while the alert is up";
        device.log.choose("OK");
        EXPECT_EQ(device.log.requests.last(), "dismiss") << "OK closes the reader";
    }
}

const QStringList wrongCode{"alert|Error|Wrong QR code scanned"};

INSTANTIATE_TEST_SUITE_P(
    Table, ReaderRules,
    ::testing::Values(
        ReaderCase{"FourFields", ",user-1,session-1,b@example.org", false, false, wrongCode, false},
        ReaderCase{"SixFields", goodCode + ",", false, false, wrongCode, false},
        ReaderCase{"CommaInEmail",
                   account::QrSignInPayload{"user-1", "session-1", "b,c@example.org", false}.encode(), false,
                   false, wrongCode, false},
        ReaderCase{"AlreadySignedIn", goodCode, true, false, {}, false},
        ReaderCase{"ErrorAlertUp", goodCode, false, true, {}, false},
        ReaderCase{"GoodCode", goodCode, false, false, {}, true}),
    [](const auto &info) { return std::string(info.param.name); });

// ---- the account screen ----

struct RowCase {
    bool thirdParty;
    bool withChangePassword;
    bool shown;
    double height;
};

void PrintTo(const RowCase &c, std::ostream *out) {
    *out << (c.thirdParty ? "external" : "email") << (c.withChangePassword ? "" : " without the form");
}

class AccountRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(AccountRow, ChangePasswordOnlyForEmailAccounts) {
    const RowCase &c = GetParam();
    Device device{testClientSettings(deadUrl(), "row"), "row-"};
    device.defaults.setValue("Third_Party_Sign_In", c.thirdParty);
    auto *changePassword = new ui::ScreenController;
    auto screen = device.accountScreen(c.withChangePassword ? std::function([&] { return changePassword; })
                                                            : std::function<ui::ScreenController *()>());
    EXPECT_EQ(screen->isChangePasswordShown(), c.shown);
    EXPECT_EQ(screen->emailRowHeight(), c.height);
    screen->changePasswordBtnTapped();
    EXPECT_EQ(device.log.requests, c.shown ? QStringList{"push"} : QStringList{});
    delete changePassword;
}

INSTANTIATE_TEST_SUITE_P(Table, AccountRow,
                         ::testing::Values(RowCase{false, true, true, 90}, RowCase{true, true, false, 45},
                                           RowCase{false, false, false, 45}),
                         [](const auto &info) {
                             return std::string(info.param.thirdParty ? "External" : "Email") +
                                    (info.param.withChangePassword ? "" : "WithoutForm");
                         });

TEST(AccountScreen, DeletionTheServerDidNotMakeIsShown) {
    Device device{testClientSettings(deadUrl(), "delete"), "delete-"};
    device.defaults.setValue("Sign_In_User_UserID", "user-1");
    device.defaults.setValue("Sign_In_User_SessionID", "session-1");
    auto screen = device.accountScreen();
    screen->deleteAccountBtnTapped();
    ASSERT_EQ(device.log.requests,
              QStringList{"alert|Confirmation|Are you sure you want to delete your account?"});
    device.log.choose("Cancel");
    EXPECT_EQ(device.stored("Sign_In_User_UserID"), "user-1");

    screen->deleteAccountBtnTapped();
    device.log.choose("Confirm");
    EXPECT_TRUE(screen->isDeleting());
    EXPECT_EQ(screen->deleteTitle(), "");
    EXPECT_EQ(device.stored("Sign_In_User_UserID"), "") << "signed out locally at once";
    EXPECT_EQ(device.posted, QStringList{"User_Sign_Out"});
    ASSERT_TRUE(device.waiter.waitFor("_user-account-delete"));
    EXPECT_FALSE(screen->isDeleting());
    EXPECT_EQ(screen->deleteTitle(), "Delete Account");
    EXPECT_EQ(device.log.requests.last(),
              "alert|Account Not Deleted|The server could not be reached. Your account was not deleted.");
    device.log.choose("OK");
    EXPECT_EQ(device.log.requests.last(), "dismiss");
}

// ---- against a real tidewell-api ----

class QrScreensServer : public ::testing::Test {
protected:
    TestApiServer server{fastAccountOptions()};
    Device a{server.clientSettings("a"), "device-a-"};
};

TEST_F(QrScreensServer, SignOutEndsTheSessionStoredBeforeTheTap) {
    a.signUpAndIn();
    const QString userId = a.stored("Sign_In_User_UserID");
    const QString sessionId = a.stored("Sign_In_User_SessionID");
    auto screen = a.accountScreen();
    screen->signOutBtnTapped();
    EXPECT_TRUE(screen->isSigningOut());
    EXPECT_EQ(screen->signOutTitle(), "");
    EXPECT_EQ(a.stored("Sign_In_User_UserID"), "");
    EXPECT_EQ(a.stored("Sign_In_User_SessionID"), "");
    EXPECT_EQ(a.manager.isSessionValid(), false);
    ASSERT_TRUE(a.waiter.waitFor("_user-signout"));
    EXPECT_FALSE(screen->isSigningOut());
    EXPECT_EQ(screen->signOutTitle(), "Sign Out");
    EXPECT_EQ(a.log.requests, QStringList{"dismiss"});
    EXPECT_EQ(a.posted, (QStringList{"User_Sign_Out", "User_Sign_Out"}));
    EXPECT_EQ(a.stored("User_Email"), email) << "the address stays";

    a.defaults.setValue("Sign_In_User_UserID", userId);
    a.defaults.setValue("Sign_In_User_SessionID", sessionId);
    EXPECT_FALSE(a.sessionValid()) << "the request ended the session of before the tap";
}

TEST_F(QrScreensServer, SecondDeviceSignsInWithTheAccountScreensCode) {
    a.signUpAndIn();
    auto code = a.accountScreen();
    const QImage image = code->qrImage();
    ASSERT_EQ(image.size(), QSize(200, 200));
    const auto decoded = QRCodeDecoder::decode(image);
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded.front().errorCorrection, "L");
    EXPECT_EQ(decoded.front().stringValue, code->payload());

    // B reads the picture as a file, as a desktop without a camera does.
    const QString file = sandboxRoot() + "/account-code.png";
    ASSERT_TRUE(image.save(file));
    Device b{server.clientSettings("b"), "device-b-"};
    auto reader = b.reader();
    reader->readImageFile(file);
    EXPECT_EQ(b.stored("Sign_In_User_SessionID"), a.stored("Sign_In_User_SessionID"));
    EXPECT_TRUE(reader->isBlurShown());
    ASSERT_TRUE(b.waiter.waitFor("_user-cross-platform-login"));
    ASSERT_TRUE(b.waiter.waitFor("_user-details"));
    EXPECT_FALSE(reader->isBlurShown());
    EXPECT_FALSE(reader->isLoading());
    ASSERT_EQ(b.top.alerts.size(), 1u);
    EXPECT_EQ(b.top.alerts.front().title, "Congratulations");

    EXPECT_EQ(b.stored("Sign_In_User_UserID"), a.stored("Sign_In_User_UserID"));
    EXPECT_EQ(b.stored("User_Email"), email);
    EXPECT_NE(b.stored("Sign_In_User_SessionID"), a.stored("Sign_In_User_SessionID"));
    EXPECT_TRUE(b.sessionValid());
    EXPECT_TRUE(a.sessionValid());
}

// A code the server does not confirm leaves the device as it was, and the reader says why.
TEST_F(QrScreensServer, UnconfirmedCodePutsTheStoredIdentifiersBack) {
    a.signUpAndIn();
    const QString code =
        account::QrSignInPayload{a.stored("Sign_In_User_UserID"), "no-such-session", email, false}.encode();
    Device dead{testClientSettings(deadUrl(), "dead"), "dead-"};
    struct Failure {
        Device &device;
        QString why;
    };
    for (const auto &[device, why] :
         {Failure{a, "Session expired."},
          Failure{dead, "The server could not be reached. You were not signed in."}}) {
        SCOPED_TRACE(why.toStdString());
        device.manager.setIsSessionValid(std::nullopt);
        device.defaults.setValue("User_Email", "before@example.org");
        device.defaults.remove("Third_Party_Sign_In");
        const QString userBefore = device.stored("Sign_In_User_UserID");
        const QString sessionBefore = device.stored("Sign_In_User_SessionID");
        auto reader = device.reader();
        reader->handleScannedText(code);
        ASSERT_TRUE(device.waiter.waitFor("_user-cross-platform-login"));
        EXPECT_EQ(device.stored("Sign_In_User_UserID"), userBefore);
        EXPECT_EQ(device.stored("Sign_In_User_SessionID"), sessionBefore);
        EXPECT_EQ(device.stored("User_Email"), "before@example.org");
        EXPECT_FALSE(device.defaults.contains("Third_Party_Sign_In"));
        EXPECT_EQ(device.manager.isSessionValid(), std::nullopt);
        EXPECT_FALSE(reader->isBlurShown());
        EXPECT_EQ(device.posted.mid(device.posted.size() - 2),
                  (QStringList{"User_SignIn_App_After_QR", "User_Sign_Out"}));
        ASSERT_FALSE(device.log.alerts.empty());
        EXPECT_EQ(device.log.alerts.back().title, "Not Signed In");
        EXPECT_EQ(device.log.alerts.back().message, why);
        device.log.choose("OK");
        EXPECT_FALSE(reader->isErrorAlertUp()) << "the reader reads again";
    }
}

} // namespace
