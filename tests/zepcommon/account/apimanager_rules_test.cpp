// ApiManager's answer rules against scripted answers a real server never gives, the parameters it
// sends, its weak delegates, and the reachability decision behind isWifi.
#include "accountrecorder.h"
#include "scriptedserver.h"

#include "platform/defaults.h"
#include "tarnwick/apiclient.h"
#include "tarnwick/payloadcipher.h"
#include "testapiserver.h"
#include "zepcommon/account/reachabilityfeed.h"

#include <QJsonDocument>
#include <gtest/gtest.h>
#include <httplib.h>

using account::ApiManager;
using namespace testsupport;

namespace {

const QString appId = QStringLiteral("app.tidewell.Tidewell");

std::string encryptedAnswer(const QByteArray &json) {
    const QString payload = *tarnwick::PayloadCipher::encrypt(QString::fromUtf8(json),
                                                              tarnwick::PayloadCipher::payloadKey(appId));
    return QJsonDocument(QJsonObject{{"installId", "install-1"}, {"payload", payload}})
        .toJson(QJsonDocument::Compact)
        .toStdString();
}

// The inner record of a recorded request, decrypted, as text (key order kept).
QString innerRecord(const RecordedRequest &request) {
    const QString payload = QJsonDocument::fromJson(request.body).object().value("payload").toString();
    return tarnwick::PayloadCipher::decrypt(payload, tarnwick::PayloadCipher::payloadKey(appId))
        .value_or(QString());
}

class ApiManagerRules : public ::testing::Test {
protected:
    void SetUp() override { recorder.attach(manager); }

    // Runs the operation against the scripted answer and waits until its rule ran.
    void run(const std::function<void(ApiManager &)> &operation, const char *endpoint,
             const QByteArray &json) {
        reply = json;
        recorder.calls.clear();
        operation(manager);
        ASSERT_TRUE(waiter.waitFor(endpoint)) << endpoint;
    }

    QByteArray reply;
    ScriptedServer server{[this](const httplib::Request &, httplib::Response &response) {
        response.set_content(encryptedAnswer(reply), "application/json");
    }};
    tarnwick::ApiClient client{testClientSettings(server.url(), "rules")};
    static inline int suites = 0;
    platform::Defaults defaults{QStringLiteral("rules-%1").arg(++suites)};
    platform::NotificationCenter center;
    ApiManager manager{client, defaults, center};
    AccountRecorder recorder;
    AnswerWaiter waiter;
};

struct RuleCase {
    const char *name;
    std::function<void(ApiManager &)> operation;
    const char *endpoint;
    QByteArray answer;
    QStringList calls;
};

void PrintTo(const RuleCase &rule, std::ostream *out) {
    *out << rule.name;
}

class ApiManagerRuleTable : public ApiManagerRules, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(ApiManagerRuleTable, ReportsAsTheRuleSays) {
    const RuleCase &rule = GetParam();
    recorder.watch(center);
    run(rule.operation, rule.endpoint, rule.answer);
    EXPECT_EQ(recorder.calls, rule.calls);
}

const auto signUp = [](ApiManager &m) {
    m.signUp("a@b.cd", "password");
};
const auto forgot = [](ApiManager &m) {
    m.forgotPassword("a@b.cd");
};
const auto signIn = [](ApiManager &m) {
    m.signIn("a@b.cd", "password");
};
const auto reset = [](ApiManager &m) {
    m.resetPassword("a@b.cd", "password", {});
};
const auto change = [](ApiManager &m) {
    m.changePassword("new-password", "old-password");
};
const auto remove = [](ApiManager &m) {
    m.deleteAccount();
};
const auto google = [](ApiManager &m) {
    m.logInWithGoogle("a@b.cd", "token");
};
const auto apple = [](ApiManager &m) {
    m.logInWithApple("token", "apple-user");
};
const auto qr = [](ApiManager &m) {
    m.crossPlatformLogin();
};
const auto signOut = [](ApiManager &m) {
    m.signOut();
};

INSTANTIATE_TEST_SUITE_P(
    Answers, ApiManagerRuleTable,
    ::testing::Values(
        RuleCase{"signUpMessageWinsOverError",
                 signUp,
                 "_user-signup",
                 R"({"message":"m","error":"e"})",
                 {"userSaved|m|Success|0"}},
        RuleCase{"signUpError", signUp, "_user-signup", R"({"error":"e"})", {"userSaved|e|Error|1"}},
        RuleCase{"signUpMessageNotText",
                 signUp,
                 "_user-signup",
                 R"({"message":1,"error":"e"})",
                 {"userSaved|e|Success|0"}},
        RuleCase{"signUpNeither", signUp, "_user-signup", R"({"result":{}})", {}},
        RuleCase{"forgotMessage",
                 forgot,
                 "_user-forgot-password",
                 R"({"message":"sent"})",
                 {"forgotPasswordResult|sent|Success|0"}},
        RuleCase{"signInError",
                 signIn,
                 "_user-login",
                 R"({"error":"bad","result":{"userId":"u"}})",
                 {"userSignedIn|bad|Error|0|1"}},
        RuleCase{"signInErrorNotText",
                 signIn,
                 "_user-login",
                 R"({"error":7,"result":{"userId":"u"}})",
                 {"userSignedIn|Sign In Successfully|Success|0|0"}},
        RuleCase{"signInTemporaryPassword",
                 signIn,
                 "_user-login",
                 R"({"result":{"userId":"u","isForgotPasswordRequested":true}})",
                 {"userSignedIn|Sign In Successfully|Success|1|0"}},
        RuleCase{"signInNoResult", signIn, "_user-login", R"({"message":"m"})", {}},
        RuleCase{"resetMessage",
                 reset,
                 "_user-reset-password",
                 R"({"message":"done"})",
                 {"resetPasswordResult|done|Success|0"}},
        RuleCase{"resetError",
                 reset,
                 "_user-reset-password",
                 R"({"error":"no"})",
                 {"resetPasswordResult|no|Error|0"}},
        RuleCase{"resetNeither",
                 reset,
                 "_user-reset-password",
                 "{}",
                 {"resetPasswordResult|Password should be atleast 8 characters|Error|1"}},
        RuleCase{
            "changeMessageIsSuccess",
            change,
            "_user-change-password",
            R"({"message":"m"})",
            {"passwordChanged|0|Your password has been successfully updated.|Password Update Successful"}},
        RuleCase{"changeError",
                 change,
                 "_user-change-password",
                 R"({"error":"wrong"})",
                 {"passwordChanged|1|wrong|Error"}},
        RuleCase{"deleteMessage",
                 remove,
                 "_user-account-delete",
                 R"({"message":"gone"})",
                 {"accountDeleted|0|gone|Success"}},
        RuleCase{"deleteError",
                 remove,
                 "_user-account-delete",
                 R"({"error":"no session"})",
                 {"accountDeleted|1|no session|Error"}},
        RuleCase{"googleResult",
                 google,
                 "_user-login-google",
                 R"({"result":{"userId":"u","sessionId":"s"}})",
                 {"externalSignInDone"}},
        RuleCase{"googleError", google, "_user-login-google", R"({"error":"e"})", {}},
        RuleCase{"appleResult",
                 apple,
                 "_user-login-apple",
                 R"({"result":{"userId":"u","email":"x@y.zz"}})",
                 {"post|User_SignIn_App", "externalSignInDone"}},
        RuleCase{"qrResult",
                 qr,
                 "_user-cross-platform-login",
                 R"({"result":{"userId":"u","sessionId":"s"}})",
                 {"crossPlatformSignInDone"}},
        RuleCase{"qrError", qr, "_user-cross-platform-login", R"({"error":"e"})", {}},
        RuleCase{"signOutError",
                 signOut,
                 "_user-signout",
                 R"({"error":"e"})",
                 {"signOutDone", "post|User_Sign_Out"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ApiManagerRules, SignInStoresTheIdentifiersAndRemovesAMissingOne) {
    defaults.setValue("Sign_In_User_SessionID", "old");
    run(signIn, "_user-login", R"({"result":{"userId":"u-1","sessionId":5}})");
    EXPECT_EQ(manager.userId(), "u-1");
    EXPECT_EQ(manager.sessionId(), std::nullopt);
    EXPECT_EQ(defaults.stringValue("Sign_In_User_UserID"), "u-1");
    EXPECT_FALSE(defaults.contains("Sign_In_User_SessionID"));
}

TEST_F(ApiManagerRules, FlagsFollowTheLastAnswer) {
    EXPECT_EQ(manager.isErrorOnSignUp(), std::nullopt);
    run(signUp, "_user-signup", R"({"error":"e"})");
    EXPECT_EQ(manager.isErrorOnSignUp(), true);
    run(signUp, "_user-signup", R"({"message":"m"})");
    EXPECT_EQ(manager.isErrorOnSignUp(), false);
    run(forgot, "_user-forgot-password", R"({"error":"e"})");
    EXPECT_EQ(manager.isErrorOnForgotPassword(), true);
}

TEST_F(ApiManagerRules, ExternalSignInMarksAThirdPartyAccount) {
    run(apple, "_user-login-apple", R"({"result":{"userId":"u","sessionId":"s","email":"x@y.zz"}})");
    EXPECT_EQ(defaults.stringValue("User_Email"), "x@y.zz");
    EXPECT_TRUE(defaults.boolValue("Third_Party_Sign_In"));
    defaults.remove("User_Email");
    run(google, "_user-login-google", R"({"result":{"userId":"g","sessionId":"t"}})");
    EXPECT_FALSE(defaults.contains("User_Email")) << "the hub stores the Google profile address";
    EXPECT_EQ(defaults.stringValue("Sign_In_User_UserID"), "g");
}

TEST_F(ApiManagerRules, SessionCheckOnlyWhileOnWifi) {
    const auto check = [](ApiManager &m) {
        m.validateSession();
    };
    run(check, "_user-validate-session", R"({"result":{}})");
    EXPECT_EQ(manager.isSessionValid(), true);
    manager.setIsWifi(false);
    run(check, "_user-validate-session", R"({"message":"Session expired."})");
    EXPECT_EQ(manager.isSessionValid(), true) << "an offline check changes nothing";
    manager.setIsWifi(true);
    run(check, "_user-validate-session", R"({"message":"Session expired."})");
    EXPECT_EQ(manager.isSessionValid(), false);
}

TEST_F(ApiManagerRules, SendsParametersInOrderWithStoredValuesOrNull) {
    defaults.setValue("Sign_In_User_SessionID", "s-1");
    defaults.setValue("User_Email", "a@b.cd");
    run(remove, "_user-account-delete", "{}");
    run(
        [](ApiManager &m) {
            m.resetPassword("a@b.cd", "new-password", {account::ResetProof::Kind::Session, "s-1"});
        },
        "_user-reset-password", "{}");
    run(
        [](ApiManager &m) {
            m.resetPassword("a@b.cd", "new-password", {{}, "temp"});
        },
        "_user-reset-password", "{}");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    // The caller's parameters and the endpoint close the inner record, after the device record.
    const auto tail = [](const RecordedRequest &request, const QString &firstKey) {
        const QString inner = innerRecord(request);
        return inner.mid(inner.indexOf('"' + firstKey + "\":"));
    };
    EXPECT_EQ(tail(requests[0], "userId"),
              R"("userId":null,"sessionId":"s-1","email":"a@b.cd","endpoint":"_user-account-delete"})");
    EXPECT_EQ(
        tail(requests[1], "email"),
        R"("email":"a@b.cd","newPassword":"new-password","sessionId":"s-1","endpoint":"_user-reset-password"})");
    EXPECT_EQ(
        tail(requests[2], "email"),
        R"("email":"a@b.cd","newPassword":"new-password","temporaryPassword":"temp","endpoint":"_user-reset-password"})");
}

TEST_F(ApiManagerRules, ScannedUserDetailsGreetAndCloseTheReader) {
    RecordingTopScreen screen;
    manager.setTopScreen(&screen);
    run([](ApiManager &m) { m.getUserDetails(false, "u"); }, "_user-details", "{}");
    EXPECT_TRUE(screen.alerts.empty());
    EXPECT_EQ(recorder.calls, QStringList{"userDetailsLoaded"});

    run([](ApiManager &m) { m.getUserDetails(true, "u"); }, "_user-details", "{}");
    ASSERT_EQ(screen.alerts.size(), 1u);
    const ui::AlertSpec &alert = screen.alerts.front();
    EXPECT_EQ(alert.title, "Congratulations");
    EXPECT_EQ(alert.message, "Logged in with the user you scanned");
    ASSERT_EQ(alert.actions.size(), 1u);
    EXPECT_EQ(alert.actions.front().title, "OK");
    EXPECT_EQ(screen.dismissals, 0) << "nothing closes before the alert is dismissed";
    alert.trigger(0, {});
    EXPECT_EQ(screen.dismissals, 2) << "the reader and the screen under it";
    alert.trigger(0, {});
    EXPECT_EQ(screen.dismissals, 2) << "without the reader on top nothing closes";
}

TEST_F(ApiManagerRules, DelegatesAreHeldWeakly) {
    auto gone = std::make_unique<AccountRecorder>();
    gone->attach(manager);
    reply = R"({"message":"m"})";
    signUp(manager);
    gone.reset();
    ASSERT_TRUE(waiter.waitFor("_user-signup"));
    EXPECT_EQ(manager.isErrorOnSignUp(), std::nullopt) << "no delegate, no flag";
}

TEST(ReachabilityFeed, DecidesFromTheBackendOrElseTheInterfaces) {
    using R = QNetworkInformation::Reachability;
    EXPECT_FALSE(account::isNetworkReachable(R::Disconnected, true));
    EXPECT_TRUE(account::isNetworkReachable(R::Local, false));
    EXPECT_TRUE(account::isNetworkReachable(R::Online, false));
    EXPECT_TRUE(account::isNetworkReachable(R::Unknown, true));
    EXPECT_FALSE(account::isNetworkReachable(R::Unknown, false));
}

} // namespace
