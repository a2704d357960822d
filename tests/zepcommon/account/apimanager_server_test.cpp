// ApiManager end to end against a real tidewell-api on loopback: every account operation as the
// screens use it, two devices signing in by QR code, and a transport failure for each rule.
#include "accountrecorder.h"
#include "tokensigner.h"

#include "idtokenverifier.h"
#include "platform/defaults.h"
#include "tarnwick/apiclient.h"
#include "testapiserver.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <gtest/gtest.h>

using account::ApiManager;
using namespace testsupport;

namespace {

const QString email = QStringLiteral("ada@example.org");
const QString password = QStringLiteral("first-password");

// One device: its own client, user defaults, notification centre and ApiManager.
struct Device {
    Device(const tarnwick::ApiClientSettings &settings, const QString &name)
        : client(settings)
        , defaults(name + QString::number(++count))
        , manager(client, defaults, center) {
        recorder.attach(manager);
        recorder.watch(center);
        manager.setTopScreen(&screen);
    }
    // Runs the operation and waits until its rule ran; the delegate calls it made.
    QStringList run(const std::function<void(ApiManager &)> &operation, const char *endpoint) {
        recorder.calls.clear();
        operation(manager);
        EXPECT_TRUE(waiter.waitFor(endpoint)) << endpoint;
        return recorder.calls;
    }
    QString stored(const char *key) const { return defaults.stringValue(key); }
    bool sessionValid() {
        run([](ApiManager &m) { m.validateSession(); }, "_user-validate-session");
        return manager.isSessionValid().value_or(false);
    }

    static inline int count = 0;
    tarnwick::ApiClient client;
    platform::Defaults defaults;
    platform::NotificationCenter center;
    ApiManager manager;
    AccountRecorder recorder;
    RecordingTopScreen screen;
    AnswerWaiter waiter;
};

class ApiManagerServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { signer = new TokenSigner(QStringLiteral("key-1")); }
    static void TearDownTestSuite() { delete signer; }

    static apiserver::AccountOptions options() {
        apiserver::AccountOptions options = fastAccountOptions();
        options.appleKeys = *apiserver::IdTokenVerifier::fromKeySet(signer->keySet());
        options.appleAudience = QStringLiteral("app.tidewell.Tidewell");
        options.googleKeys = options.appleKeys;
        options.googleAudience = QStringLiteral("google-client-id");
        return options;
    }
    static QString token(const QString &issuer, const QString &audience, const QString &subject) {
        return signer->sign(
            {{"iss", issuer},
             {"aud", audience},
             {"sub", subject},
             {"email", email},
             {"email_verified", true},
             {"exp", double(QDateTime(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC).toSecsSinceEpoch())}});
    }
    QString temporaryPasswordFromMail() const {
        const auto mails = server.mails();
        return mails.empty()
                   ? QString()
                   : QRegularExpression("password is ([0-9a-f]+)").match(mails.back().body).captured(1);
    }
    // Signs up and in on device a, as the sign-in screen does (it stores the typed address).
    void signUpAndIn() {
        EXPECT_EQ(
            a.run([](ApiManager &m) { m.signUp(email, password); }, "_user-signup").value(0).section('|', 2),
            "Success|0");
        EXPECT_EQ(a.run([](ApiManager &m) { m.signIn(email, password); }, "_user-login"),
                  QStringList{"userSignedIn|Sign In Successfully|Success|0|0"});
        a.defaults.setValue("User_Email", email);
    }

    static inline TokenSigner *signer = nullptr;
    TestApiServer server{options()};
    Device a{server.clientSettings("a"), "device-a-"};
};

TEST_F(ApiManagerServer, SignUpSignInAndSignOutWithTheStoredIdentifiers) {
    signUpAndIn();
    EXPECT_EQ(
        a.run([](ApiManager &m) { m.signUp(email, password); }, "_user-signup").value(0).section('|', 2),
        "Error|1")
        << "the address is taken";
    EXPECT_EQ(a.stored("Sign_In_User_UserID"), a.manager.userId());
    EXPECT_EQ(a.stored("Sign_In_User_SessionID"), a.manager.sessionId());
    EXPECT_TRUE(a.sessionValid());

    // The account screen clears the identifiers as soon as sign-out starts; the call still ends the
    // session it was made for.
    const QString userId = a.stored("Sign_In_User_UserID");
    const QString sessionId = a.stored("Sign_In_User_SessionID");
    a.manager.signOut();
    a.defaults.setValue("Sign_In_User_UserID", QString());
    a.defaults.setValue("Sign_In_User_SessionID", QString());
    ASSERT_TRUE(a.waiter.waitFor("_user-signout"));
    EXPECT_EQ(a.recorder.calls, (QStringList{"signOutDone", "post|User_Sign_Out"}));
    a.defaults.setValue("Sign_In_User_UserID", userId);
    a.defaults.setValue("Sign_In_User_SessionID", sessionId);
    EXPECT_FALSE(a.sessionValid());
}

TEST_F(ApiManagerServer, ChangePassword) {
    signUpAndIn();
    EXPECT_EQ(a.run([](ApiManager &m) { m.changePassword("second-password", "not-the-password"); },
                    "_user-change-password")
                  .value(0)
                  .section('|', 0, 1),
              "passwordChanged|1");
    EXPECT_EQ(
        a.run([](ApiManager &m) { m.changePassword("second-password", password); }, "_user-change-password"),
        QStringList{
            "passwordChanged|0|Your password has been successfully updated.|Password Update Successful"});
    EXPECT_EQ(a.run([](ApiManager &m) { m.signIn(email, password); }, "_user-login").value(0).section('|', 2),
              "Error|0|1");
    EXPECT_EQ(a.run([](ApiManager &m) { m.signIn(email, "second-password"); }, "_user-login"),
              QStringList{"userSignedIn|Sign In Successfully|Success|0|0"});
}

TEST_F(ApiManagerServer, ForgotPasswordThenResetWithTheTemporaryPassword) {
    signUpAndIn();
    EXPECT_EQ(a.run([](ApiManager &m) { m.forgotPassword(email); }, "_user-forgot-password")
                  .value(0)
                  .section('|', 2),
              "Success|0");
    const QString temporary = temporaryPasswordFromMail();
    ASSERT_FALSE(temporary.isEmpty());
    EXPECT_EQ(a.run([&](ApiManager &m) { m.signIn(email, temporary); }, "_user-login"),
              QStringList{"userSignedIn|Sign In Successfully|Success|1|0"})
        << "the screen then shows the new-password form";

    const auto reset = [&](const QString &proof) {
        return a.run(
            [&](ApiManager &m) {
                m.resetPassword(email, "third-password", {{}, proof});
            },
            "_user-reset-password");
    };
    EXPECT_EQ(reset("wrong-proof").value(0).section('|', 2), "Error|0");
    EXPECT_EQ(reset(temporary).value(0).section('|', 2), "Success|0");
    // Signed in, the account's session is proof enough.
    const auto bySession = [](ApiManager &m) {
        m.resetPassword(email, "fourth-password", {account::ResetProof::Kind::Session, *m.sessionId()});
    };
    EXPECT_EQ(a.run(bySession, "_user-reset-password").value(0).section('|', 2), "Success|0");
    EXPECT_EQ(a.run([](ApiManager &m) { m.signIn(email, "fourth-password"); }, "_user-login"),
              QStringList{"userSignedIn|Sign In Successfully|Success|0|0"});
}

TEST_F(ApiManagerServer, DeleteAccountReportsWhetherTheAccountIsGone) {
    signUpAndIn();
    const auto remove = [](ApiManager &m) {
        m.deleteAccount();
    };
    EXPECT_EQ(a.run(remove, "_user-account-delete").value(0).section('|', 0, 1), "accountDeleted|0");
    EXPECT_EQ(a.run(remove, "_user-account-delete").value(0).section('|', 0, 1), "accountDeleted|1")
        << "a second deletion finds no account and says so";
    EXPECT_EQ(a.run([](ApiManager &m) { m.signIn(email, password); }, "_user-login").value(0).section('|', 2),
              "Error|0|1");
}

TEST_F(ApiManagerServer, GoogleAndAppleSignInWithVerifiedTokens) {
    const QString google = token("https://accounts.google.com", "google-client-id", "g-1");
    EXPECT_EQ(a.run([&](ApiManager &m) { m.logInWithGoogle(email, google); }, "_user-login-google"),
              QStringList{"externalSignInDone"});
    EXPECT_TRUE(a.defaults.boolValue("Third_Party_Sign_In"));
    EXPECT_FALSE(a.defaults.contains("User_Email")) << "the hub stores the Google profile address";
    EXPECT_TRUE(a.sessionValid());

    const QString apple = token("https://appleid.apple.com", "app.tidewell.Tidewell", "apple-1");
    EXPECT_EQ(a.run([&](ApiManager &m) { m.logInWithApple(apple, "apple-1"); }, "_user-login-apple"),
              (QStringList{"post|User_SignIn_App", "externalSignInDone"}));
    EXPECT_EQ(a.stored("User_Email"), email);
    EXPECT_TRUE(a.sessionValid());
}

TEST_F(ApiManagerServer, QrSignInGivesTheSecondDeviceASessionOfItsOwn) {
    signUpAndIn();
    Device b{server.clientSettings("b"), "device-b-"};
    // B's reader adopts the scanned identifiers and address, then signs in with them.
    b.defaults.setValue("Sign_In_User_UserID", a.stored("Sign_In_User_UserID"));
    b.defaults.setValue("Sign_In_User_SessionID", a.stored("Sign_In_User_SessionID"));
    b.defaults.setValue("User_Email", a.stored("User_Email"));
    EXPECT_EQ(b.run([](ApiManager &m) { m.crossPlatformLogin(); }, "_user-cross-platform-login"),
              QStringList{"crossPlatformSignInDone"});
    EXPECT_EQ(b.stored("Sign_In_User_UserID"), a.stored("Sign_In_User_UserID"));
    EXPECT_NE(b.stored("Sign_In_User_SessionID"), a.stored("Sign_In_User_SessionID"));
    EXPECT_EQ(b.run([&](ApiManager &m) { m.getUserDetails(true, *m.userId()); }, "_user-details"),
              QStringList{"userDetailsLoaded"});
    ASSERT_EQ(b.screen.alerts.size(), 1u);
    EXPECT_EQ(b.screen.alerts.front().title, "Congratulations");
    EXPECT_TRUE(b.sessionValid());

    // Each device signs out on its own.
    EXPECT_EQ(a.run([](ApiManager &m) { m.signOut(); }, "_user-signout").value(0), "signOutDone");
    EXPECT_FALSE(a.sessionValid());
    EXPECT_TRUE(b.sessionValid());
}

// A transport failure reaches every rule as an absent answer: the endpoint and the calls it makes.
struct FailureCase {
    const char *endpoint;
    QStringList calls;
};

void PrintTo(const FailureCase &failure, std::ostream *out) {
    *out << failure.endpoint;
}

class ApiManagerTransportFailure : public ::testing::TestWithParam<FailureCase> {};

// A loopback URL where nothing listens: a port that was free a moment ago.
QUrl deadUrl() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
    return QUrl(QStringLiteral("http://127.0.0.1:%1/v1/call").arg(probe.serverPort()));
}

TEST_P(ApiManagerTransportFailure, HandlesTheMissingAnswer) {
    const auto &[endpoint, calls] = GetParam();
    Device device{testClientSettings(deadUrl(), "dead"), "dead-"};
    device.manager.setIsSessionValid(true);
    EXPECT_EQ(device.run([&](ApiManager &m) { callOperation(m, endpoint); }, endpoint), calls);
    const std::string name = endpoint;
    EXPECT_EQ(device.manager.isSessionValid(),
              name != "_user-validate-session" && name != "_user-login-google" && name != "_user-login-apple")
        << "only the session check and the provider sign-ins mark the session invalid";
    EXPECT_EQ(device.manager.userId(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRule, ApiManagerTransportFailure,
    ::testing::Values(
        FailureCase{"_user-signup", {"userSaved|The server could not be reached. Your account was not created.|Error|1"}},
        FailureCase{"_user-login",
                    {"userSignedIn|The server could not be reached. You were not signed in.|Error|0|1"}},
        FailureCase{"_user-validate-session", {}},
        FailureCase{"_user-signout", {"signOutDone", "post|User_Sign_Out"}},
        FailureCase{"_user-login-google", {"externalSignInFailed|The server could not be reached. You were not signed in."}},
        FailureCase{"_user-login-apple", {"externalSignInFailed|The server could not be reached. You were not signed in."}},
        FailureCase{"_user-forgot-password",
                    {"forgotPasswordResult|The server could not be reached. No e-mail was sent.|Error|1"}},
        FailureCase{"_user-reset-password",
                    {"resetPasswordResult|Password should be atleast 8 characters|Error|1"}},
        FailureCase{"_user-details", {"userDetailsLoaded"}}, FailureCase{"_user-cross-platform-login", {}},
        FailureCase{
            "_user-account-delete",
            {"accountDeleted|1|The server could not be reached. Your account was not deleted.|Error"}},
        FailureCase{
            "_user-change-password",
            {"passwordChanged|1|The server could not be reached. Your password was not changed.|Error"}}),
    [](const auto &info) { return QString(info.param.endpoint).mid(6).replace('-', '_').toStdString(); });

} // namespace
