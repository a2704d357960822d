// ApiManager's answer rules on scripted answers a real server never gives, the parameters it
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

using account::ApiManager;
using namespace testsupport;

namespace {

QString payloadKey() {
    return tarnwick::PayloadCipher::payloadKey(QStringLiteral("app.tidewell.Tidewell"));
}

class ApiManagerRules : public ::testing::Test {
protected:
    void SetUp() override {
        recorder.attach(manager);
        recorder.watch(center);
    }
    // Runs the operation of the endpoint against the scripted answer and waits until its rule ran.
    void run(const QString &endpoint, const QByteArray &answer) {
        reply = *tarnwick::PayloadCipher::encrypt(QString::fromUtf8(answer), payloadKey());
        recorder.calls.clear();
        callOperation(manager, endpoint);
        ASSERT_TRUE(waiter.waitFor(endpoint)) << endpoint.toStdString();
    }
    // The caller's parameters and the endpoint, which close the inner record of a request.
    QStringList sentParameters(const QString &firstKey) const {
        QStringList sent;
        for (const RecordedRequest &request : server.requests()) {
            const QString payload =
                QJsonDocument::fromJson(request.body).object().value("payload").toString();
            const QString inner = tarnwick::PayloadCipher::decrypt(payload, payloadKey()).value_or(QString());
            sent << inner.mid(inner.indexOf('"' + firstKey + "\":"));
        }
        return sent;
    }

    QString reply;
    ScriptedServer server{[this](const http::HttpRequest &) {
        const QJsonObject envelope{{"installId", "install-1"}, {"payload", reply}};
        return http::HttpResponse::data(QJsonDocument(envelope).toJson().toStdString(), "application/json");
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
    const char *endpoint;
    QByteArray answer;
    QStringList calls;
};

void PrintTo(const RuleCase &rule, std::ostream *out) {
    *out << rule.name;
}

class ApiManagerRuleTable : public ApiManagerRules, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(ApiManagerRuleTable, ReportsAsTheRuleSays) {
    run(GetParam().endpoint, GetParam().answer);
    EXPECT_EQ(recorder.calls, GetParam().calls);
}

// Answers the real server never gives; the end-to-end tests cover the ones it does.
INSTANTIATE_TEST_SUITE_P(
    Answers, ApiManagerRuleTable,
    ::testing::Values(
        RuleCase{"signUpBoth", "_user-signup", R"({"message":"m","error":"e"})", {"userSaved|m|Success|0"}},
        RuleCase{"signUpMessageNotText",
                 "_user-signup",
                 R"({"message":1,"error":"e"})",
                 {"userSaved|e|Success|0"}},
        RuleCase{"signUpNeither", "_user-signup", R"({"result":{}})", {}},
        RuleCase{
            "forgotError", "_user-forgot-password", R"({"error":"e"})", {"forgotPasswordResult|e|Error|1"}},
        RuleCase{"signInErrorNotText",
                 "_user-login",
                 R"({"error":7,"result":{"userId":"u"}})",
                 {"userSignedIn|Sign In Successfully|Success|0|0"}},
        RuleCase{"signInTextError",
                 "_user-login",
                 R"({"error":"e","result":{"userId":"u"}})",
                 {"userSignedIn|e|Error|0|1"}},
        RuleCase{"signInNoResult", "_user-login", R"({"message":"m"})", {}},
        RuleCase{"resetNeither",
                 "_user-reset-password",
                 "{}",
                 {"resetPasswordResult|Password should be atleast 8 characters|Error|1"}},
        RuleCase{
            "changeMessage",
            "_user-change-password",
            R"({"message":"m"})",
            {"passwordChanged|0|Your password has been successfully updated.|Password Update Successful"}},
        RuleCase{"signOutError", "_user-signout", R"({"error":"e"})", {"signOutDone", "post|User_Sign_Out"}},
        RuleCase{"deleteEmpty",
                 "_user-account-delete",
                 "{}",
                 {"accountDeleted|0|Your account has been deleted.|Success"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ApiManagerRules, SignInStoresTheIdentifiersAndRemovesAMissingOne) {
    defaults.setValue("Sign_In_User_SessionID", "old");
    run("_user-login", R"({"result":{"userId":"u-1","sessionId":5}})");
    EXPECT_EQ(manager.userId(), "u-1");
    EXPECT_EQ(manager.sessionId(), std::nullopt);
    EXPECT_EQ(defaults.stringValue("Sign_In_User_UserID"), "u-1");
    EXPECT_FALSE(defaults.contains("Sign_In_User_SessionID"));
}

TEST_F(ApiManagerRules, TheLoggedAnswerHidesTheSessionId) {
    run("_user-login", R"({"result":{"userId":"u-1","sessionId":"s3cret-session"}})");
    EXPECT_EQ(manager.sessionId(), "s3cret-session") << "only the log line is masked";
    const QString logged = waiter.matchedLine();
    EXPECT_TRUE(logged.contains("u-1")) << logged.toStdString();
    EXPECT_FALSE(logged.contains("s3cret-session")) << logged.toStdString();
}

TEST_F(ApiManagerRules, FlagsFollowTheLastAnswer) {
    EXPECT_EQ(manager.isErrorOnSignUp(), std::nullopt);
    run("_user-signup", R"({"error":"e"})");
    EXPECT_EQ(manager.isErrorOnSignUp(), true);
    run("_user-signup", R"({"message":"m"})");
    EXPECT_EQ(manager.isErrorOnSignUp(), false);
    run("_user-forgot-password", R"({"error":"e"})");
    EXPECT_EQ(manager.isErrorOnForgotPassword(), true);
}

TEST_F(ApiManagerRules, SessionCheckOnlyWhileOnWifi) {
    run("_user-validate-session", R"({"result":{}})");
    EXPECT_EQ(manager.isSessionValid(), true);
    manager.setIsWifi(false);
    run("_user-validate-session", R"({"message":"Session expired."})");
    EXPECT_EQ(manager.isSessionValid(), true) << "an offline check changes nothing";
    manager.setIsWifi(true);
    run("_user-validate-session", R"({"message":"Session expired."})");
    EXPECT_EQ(manager.isSessionValid(), false);
}

TEST_F(ApiManagerRules, SendsParametersInOrderWithStoredValuesOrNull) {
    defaults.setValue("Sign_In_User_SessionID", "s-1");
    defaults.setValue("User_Email", "a@b.cd");
    run("_user-account-delete", "{}");
    EXPECT_EQ(sentParameters("userId"),
              QStringList{
                  R"("userId":null,"sessionId":"s-1","email":"a@b.cd","endpoint":"_user-account-delete"})"});
    manager.resetPassword("a@b.cd", "new-password", {account::ResetProof::Kind::Session, "s-1"});
    ASSERT_TRUE(waiter.waitFor("_user-reset-password"));
    EXPECT_EQ(sentParameters("newPassword").last(),
              R"("newPassword":"new-password","sessionId":"s-1","endpoint":"_user-reset-password"})");
}

TEST_F(ApiManagerRules, ScannedUserDetailsGreetAndCloseTheReader) {
    RecordingTopScreen screen;
    manager.setTopScreen(&screen);
    run("_user-details", "{}");
    EXPECT_TRUE(screen.alerts.empty());
    EXPECT_EQ(recorder.calls, QStringList{"userDetailsLoaded"});

    manager.getUserDetails(true, "u");
    ASSERT_TRUE(waiter.waitFor("_user-details"));
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
    reply = *tarnwick::PayloadCipher::encrypt(R"({"message":"m"})", payloadKey());
    manager.signUp("a@b.cd", "password");
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
