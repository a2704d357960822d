// The twelve account endpoints end to end: ApiClient.post to a real tidewell-api on loopback.
#include "tarnwick/apiclient.h"
#include "testapiserver.h"
#include "tokensigner.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <future>

using namespace testsupport;
using tarnwick::ApiClient;

namespace {

const char *const password = "s3cret-pass";

class AccountEndpoints : public ::testing::Test {
protected:
    static void SetUpTestSuite() { signer = new TokenSigner(QStringLiteral("apple-1")); }
    static void TearDownTestSuite() { delete signer; }

    static apiserver::AccountOptions options() {
        apiserver::AccountOptions options = fastAccountOptions();
        options.appleKeys = *apiserver::IdTokenVerifier::fromKeySet(signer->keySet());
        options.appleAudience = QStringLiteral("app.tidewell.Tidewell");
        options.googleKeys = options.appleKeys;
        options.googleAudience = QStringLiteral("google-client-id");
        return options;
    }

    QJsonObject call(const QString &endpoint, const tarnwick::Parameters &parameters) {
        const CallAnswer answer = postAndWait(client, endpoint, parameters);
        EXPECT_FALSE(answer.error) << answer.error->description.toStdString();
        EXPECT_TRUE(answer.result.isObject()) << endpoint.toStdString();
        return answer.object();
    }
    QJsonObject signUp(const QString &email, const QString &pass = password) {
        return call("_user-signup", {{"email", email}, {"password", pass}});
    }
    QJsonObject login(const QString &email, const QString &pass = password) {
        return call("_user-login", {{"email", email}, {"password", pass}});
    }
    // Signs up and in; the "result" of the login.
    QJsonObject account(const QString &email) {
        EXPECT_TRUE(signUp(email).contains("message"));
        return login(email).value("result").toObject();
    }
    bool sessionValid(const QJsonObject &session) {
        const QJsonObject answer =
            call("_user-validate-session",
                 {{"userId", session.value("userId")}, {"sessionId", session.value("sessionId")}});
        return !answer.contains("message");
    }
    QString appleToken(const QString &subject, const QString &email) const {
        return signer->sign(
            {{"iss", "https://appleid.apple.com"},
             {"aud", "app.tidewell.Tidewell"},
             {"sub", subject},
             {"email", email},
             {"exp", double(QDateTime(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC).toSecsSinceEpoch())}});
    }
    QString googleToken(const QString &email, bool verified = true) const {
        return signer->sign(
            {{"iss", "https://accounts.google.com"},
             {"aud", "google-client-id"},
             {"sub", "g-1"},
             {"email", email},
             {"email_verified", verified},
             {"exp", double(QDateTime(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC).toSecsSinceEpoch())}});
    }
    QString temporaryPasswordFromMail() {
        const auto mails = server.mails();
        EXPECT_FALSE(mails.empty());
        if (mails.empty())
            return {};
        const auto match =
            QRegularExpression(QStringLiteral("password is ([0-9a-f]+)")).match(mails.back().body);
        return match.captured(1);
    }

    static TokenSigner *signer;
    TestApiServer server{options()};
    ApiClient client{server.clientSettings("accounts")};
};
TokenSigner *AccountEndpoints::signer = nullptr;

TEST_F(AccountEndpoints, SignUpOnceThenSignIn) {
    EXPECT_EQ(signUp("Ann@Example.com").value("message"),
              "Your account has been created. You can sign in now.");
    EXPECT_EQ(signUp("ann@example.com").value("error"), "An account with this email already exists.");
    EXPECT_EQ(login("ann@example.com", "wrong-password").value("error"),
              "The email or password is not correct.");
    EXPECT_EQ(login("nobody@example.com").value("error"), "The email or password is not correct.");

    const QJsonObject result = login("ANN@example.com").value("result").toObject();
    EXPECT_EQ(result.value("userId").toString().size(), 32);
    EXPECT_EQ(result.value("sessionId").toString().size(), 64);
    EXPECT_EQ(result.value("email"), "ann@example.com");
    EXPECT_EQ(result.value("isForgotPasswordRequested"), false);
    EXPECT_TRUE(sessionValid(result));
}

struct SignUpCase {
    const char *name;
    const char *email;
    const char *password;
    const char *error; // nullptr: accepted
};

void PrintTo(const SignUpCase &v, std::ostream *os) {
    *os << v.name;
}

class AccountSignUpRules : public AccountEndpoints, public ::testing::WithParamInterface<SignUpCase> {};

TEST_P(AccountSignUpRules, AreEnforcedByTheServer) {
    const QJsonObject answer =
        signUp(QString::fromUtf8(GetParam().email), QString::fromUtf8(GetParam().password));
    if (GetParam().error)
        EXPECT_EQ(answer.value("error"), GetParam().error);
    else
        EXPECT_TRUE(answer.contains("message")) << QJsonDocument(answer).toJson().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, AccountSignUpRules,
    ::testing::Values(
        SignUpCase{"emptyEmail", "", "password1", "Please enter a valid email address."},
        SignUpCase{"noAt", "plain.example.com", "password1", "Please enter a valid email address."},
        SignUpCase{"noDot", "a@example", "password1", "Please enter a valid email address."},
        SignUpCase{"shortTld", "a@example.c", "password1", "Please enter a valid email address."},
        SignUpCase{"space", "a b@example.com", "password1", "Please enter a valid email address."},
        SignUpCase{"sevenChars", "a@example.com", "1234567", "Password should be at least 8 characters."},
        SignUpCase{"emptyPassword", "a@example.com", "", "Password should be at least 8 characters."},
        // Seven characters outside the basic plane are 14 UTF-16 units but still seven.
        SignUpCase{"sevenEmoji", "a@example.com", "🌊🌊🌊🌊🌊🌊🌊", "Password should be at least 8 characters."},
        SignUpCase{"eightChars", "a@example.com", "12345678", nullptr},
        SignUpCase{"eightAccented", "a@example.com", "éééééééé", nullptr},
        SignUpCase{"sixtyChars", "a.b+c@sub.example.org",
                   "123456789012345678901234567890123456789012345678901234567890", nullptr}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(AccountEndpoints, NullParametersAreRefused) {
    EXPECT_EQ(
        call("_user-signup", {{"email", QJsonValue::Null}, {"password", QJsonValue::Null}}).value("error"),
        "Please enter a valid email address.");
    EXPECT_TRUE(
        call("_user-validate-session", {{"userId", QJsonValue::Null}, {"sessionId", QJsonValue::Null}})
            .contains("message"));
}

TEST_F(AccountEndpoints, SessionsExpireAndSignOutEndsThem) {
    const QJsonObject first = account("bo@example.com");
    const QJsonObject other = account("cy@example.com");
    EXPECT_TRUE(sessionValid(first));
    EXPECT_FALSE(sessionValid({{"userId", other.value("userId")}, {"sessionId", first.value("sessionId")}}))
        << "a session belongs to its user";
    EXPECT_FALSE(sessionValid({{"userId", first.value("userId")}, {"sessionId", "0000"}}));

    const QJsonObject signOut =
        call("_user-signout", {{"userId", first.value("userId")}, {"sessionId", first.value("sessionId")}});
    EXPECT_EQ(signOut.value("message"), "Signed out.");
    EXPECT_FALSE(sessionValid(first));
    EXPECT_EQ(
        call("_user-signout", {{"userId", first.value("userId")}, {"sessionId", first.value("sessionId")}})
            .value("error"),
        "Session expired.");

    EXPECT_TRUE(sessionValid(other));
    server.advance(31 * 24 * 3600);
    EXPECT_FALSE(sessionValid(other)) << "sessions last 30 days";
}

TEST_F(AccountEndpoints, CrossPlatformLoginGivesTheSecondDeviceItsOwnSession) {
    const QJsonObject first = account("dee@example.com");
    const QJsonObject second = call("_user-cross-platform-login", {{"userId", first.value("userId")},
                                                                   {"sessionId", first.value("sessionId")}})
                                   .value("result")
                                   .toObject();
    EXPECT_EQ(second.value("userId"), first.value("userId"));
    EXPECT_NE(second.value("sessionId"), first.value("sessionId"));
    EXPECT_EQ(second.value("email"), "dee@example.com");
    EXPECT_TRUE(sessionValid(first));
    EXPECT_TRUE(sessionValid(second));
    EXPECT_EQ(call("_user-cross-platform-login", {{"userId", first.value("userId")}, {"sessionId", "forged"}})
                  .value("error"),
              "Session expired.");
}

TEST_F(AccountEndpoints, DetailsShowTheEmailOnlyToTheAccount) {
    const QJsonObject session = account("eve@example.com");
    const QJsonObject bare = call("_user-details", {{"userId", session.value("userId")}});
    EXPECT_EQ(bare.value("result").toObject().value("userId"), session.value("userId"));
    EXPECT_FALSE(bare.value("result").toObject().contains("email"));
    const QJsonObject full = call(
        "_user-details", {{"userId", session.value("userId")}, {"sessionId", session.value("sessionId")}});
    EXPECT_EQ(full.value("result").toObject().value("email"), "eve@example.com");
    EXPECT_EQ(call("_user-details", {{"userId", "unknown"}}).value("error"), "User not found.");
}

TEST_F(AccountEndpoints, ForgotPasswordMailsATemporaryPassword) {
    account("fay@example.com");
    const QString sent = "If an account exists for this email, a temporary password has been sent to it.";
    EXPECT_EQ(call("_user-forgot-password", {{"email", "nobody@example.com"}}).value("message"), sent);
    EXPECT_TRUE(server.mails().empty()) << "no mail for an unknown address";
    EXPECT_EQ(call("_user-forgot-password", {{"email", "Fay@example.com"}}).value("message"), sent);
    ASSERT_EQ(server.mails().size(), 1u);
    EXPECT_EQ(server.mails()[0].recipient, "fay@example.com");
    const QString temporary = temporaryPasswordFromMail();
    ASSERT_EQ(temporary.size(), 12);

    EXPECT_EQ(login("fay@example.com").value("result").toObject().value("isForgotPasswordRequested"), false)
        << "the old password still works";
    const QJsonObject withTemporary = login("fay@example.com", temporary).value("result").toObject();
    EXPECT_EQ(withTemporary.value("isForgotPasswordRequested"), true);

    // The app then changes the password with the temporary one as the old password.
    EXPECT_EQ(
        call("_user-change-password",
             {{"newPassword", "brand-new-pass"}, {"email", "fay@example.com"}, {"oldPassword", temporary}})
            .value("message"),
        "Your password has been updated.");
    EXPECT_TRUE(login("fay@example.com", temporary).contains("error")) << "used up";
    EXPECT_TRUE(login("fay@example.com", "brand-new-pass").contains("result"));
    EXPECT_TRUE(login("fay@example.com").contains("error"));
}

TEST_F(AccountEndpoints, TemporaryPasswordsExpire) {
    account("gil@example.com");
    call("_user-forgot-password", {{"email", "gil@example.com"}});
    const QString temporary = temporaryPasswordFromMail();
    server.advance(3601);
    EXPECT_EQ(login("gil@example.com", temporary).value("error"), "The email or password is not correct.");
}

TEST_F(AccountEndpoints, ResetNeedsProofOfTheAccount) {
    const QJsonObject session = account("hal@example.com");
    const QString refused = "Resetting a password needs the temporary password from the email.";
    EXPECT_EQ(call("_user-reset-password", {{"email", "hal@example.com"}, {"newPassword", "taken-over"}})
                  .value("error"),
              refused);
    EXPECT_TRUE(login("hal@example.com").contains("result")) << "nothing changed";
    EXPECT_EQ(
        call("_user-reset-password", {{"email", "hal@example.com"}, {"newPassword", "short"}}).value("error"),
        "Password should be at least 8 characters.");

    call("_user-forgot-password", {{"email", "hal@example.com"}});
    const QString temporary = temporaryPasswordFromMail();
    EXPECT_EQ(call("_user-reset-password", {{"email", "hal@example.com"},
                                            {"newPassword", "second-pass"},
                                            {"temporaryPassword", "000000000000"}})
                  .value("error"),
              refused);
    EXPECT_EQ(
        call("_user-reset-password",
             {{"email", "hal@example.com"}, {"newPassword", "second-pass"}, {"temporaryPassword", temporary}})
            .value("message"),
        "Your password has been reset.");
    EXPECT_TRUE(login("hal@example.com", "second-pass").contains("result"));
    EXPECT_EQ(call("_user-reset-password", {{"email", "hal@example.com"},
                                            {"newPassword", "third-pass"},
                                            {"sessionId", session.value("sessionId")}})
                  .value("message"),
              "Your password has been reset.");
    EXPECT_TRUE(login("hal@example.com", "third-pass").contains("result"));
}

TEST_F(AccountEndpoints, ChangePasswordChecksTheOldOne) {
    account("ida@example.com");
    EXPECT_EQ(
        call("_user-change-password",
             {{"newPassword", "next-password"}, {"email", "ida@example.com"}, {"oldPassword", "wrong-old"}})
            .value("error"),
        "The old password is not correct.");
    EXPECT_EQ(call("_user-change-password",
                   {{"newPassword", "short"}, {"email", "ida@example.com"}, {"oldPassword", password}})
                  .value("error"),
              "Password should be at least 8 characters.");
    EXPECT_EQ(
        call("_user-change-password",
             {{"newPassword", "next-password"}, {"email", "nobody@example.com"}, {"oldPassword", password}})
            .value("error"),
        "The old password is not correct.");
    EXPECT_TRUE(login("ida@example.com").contains("result"));
    EXPECT_EQ(
        call("_user-change-password",
             {{"newPassword", "next-password"}, {"email", "ida@example.com"}, {"oldPassword", password}})
            .value("message"),
        "Your password has been updated.");
    EXPECT_TRUE(login("ida@example.com").contains("error"));
    EXPECT_TRUE(login("ida@example.com", "next-password").contains("result"));
}

TEST_F(AccountEndpoints, DeletionNeedsTheSessionAndRemovesEverything) {
    const QJsonObject session = account("jo@example.com");
    const QJsonObject second = call("_user-cross-platform-login", {{"userId", session.value("userId")},
                                                                   {"sessionId", session.value("sessionId")}})
                                   .value("result")
                                   .toObject();
    EXPECT_EQ(
        call("_user-account-delete",
             {{"userId", session.value("userId")}, {"sessionId", "forged"}, {"email", "jo@example.com"}})
            .value("error"),
        "Session expired.");
    EXPECT_EQ(call("_user-account-delete", {{"userId", session.value("userId")},
                                            {"sessionId", session.value("sessionId")},
                                            {"email", "other@example.com"}})
                  .value("error"),
              "The email does not match this account.");
    EXPECT_TRUE(login("jo@example.com").contains("result"));

    EXPECT_EQ(call("_user-account-delete", {{"userId", session.value("userId")},
                                            {"sessionId", session.value("sessionId")},
                                            {"email", "jo@example.com"}})
                  .value("message"),
              "Your account has been deleted.");
    EXPECT_FALSE(sessionValid(session));
    EXPECT_FALSE(sessionValid(second)) << "every session of the account is gone";
    EXPECT_TRUE(login("jo@example.com").contains("error"));
    EXPECT_TRUE(signUp("jo@example.com").contains("message")) << "the address is free again";
}

TEST_F(AccountEndpoints, GoogleNeedsAVerifiedIdToken) {
    EXPECT_EQ(call("_user-login-google", {{"email", "kim@example.com"}}).value("error"),
              "Google sign-in needs a verified Google ID token.");
    EXPECT_EQ(call("_user-login-google",
                   {{"email", "kim@example.com"}, {"idToken", googleToken("kim@example.com", false)}})
                  .value("error"),
              "The Google account has no verified email address.");
    EXPECT_EQ(call("_user-login-google",
                   {{"email", "kim@example.com"}, {"idToken", googleToken("mallory@example.com")}})
                  .value("error"),
              "The email does not match the Google account.");
    EXPECT_TRUE(
        call("_user-login-google", {{"email", "kim@example.com"}, {"idToken", "a.b.c"}}).contains("error"));

    const QJsonObject first = call("_user-login-google", {{"email", "kim@example.com"},
                                                          {"idToken", googleToken("kim@example.com")}})
                                  .value("result")
                                  .toObject();
    EXPECT_EQ(first.value("email"), "kim@example.com");
    EXPECT_TRUE(sessionValid(first));
    const QJsonObject again = call("_user-login-google", {{"email", "kim@example.com"},
                                                          {"idToken", googleToken("kim@example.com")}})
                                  .value("result")
                                  .toObject();
    EXPECT_EQ(again.value("userId"), first.value("userId"));
}

TEST(AccountEndpointsDevelopment, GoogleBareEmailOnlyWithTheDevelopmentFlag) {
    apiserver::AccountOptions options = fastAccountOptions();
    options.acceptUnverifiedGoogle = true;
    TestApiServer server(options);
    ApiClient client(server.clientSettings("google-dev"));
    const CallAnswer answer = postAndWait(client, "_user-login-google", {{"email", "lee@example.com"}});
    EXPECT_EQ(answer.object().value("result").toObject().value("email"), "lee@example.com");
    EXPECT_EQ(postAndWait(client, "_user-login-apple", {{"identityToken", "x"}, {"userIdentifier", "y"}})
                  .object()
                  .value("error"),
              "Sign in with Apple is not set up on this server.");
}

TEST_F(AccountEndpoints, AppleTokensAreVerified) {
    const QJsonObject first =
        call("_user-login-apple",
             {{"identityToken", appleToken("001.apple", "Max@Example.com")}, {"userIdentifier", "001.apple"}})
            .value("result")
            .toObject();
    EXPECT_EQ(first.value("email"), "max@example.com");
    EXPECT_TRUE(sessionValid(first));
    // Apple may leave the address out later: the subject still finds the account.
    const QJsonObject again = call("_user-login-apple", {{"identityToken", appleToken("001.apple", "")},
                                                         {"userIdentifier", "001.apple"}})
                                  .value("result")
                                  .toObject();
    EXPECT_EQ(again.value("userId"), first.value("userId"));

    EXPECT_EQ(call("_user-login-apple", {{"identityToken", appleToken("001.apple", "max@example.com")},
                                         {"userIdentifier", "002.someone"}})
                  .value("error"),
              "The Apple identity does not match the user.");
    EXPECT_TRUE(
        call("_user-login-apple", {{"identityToken", "forged.token.here"}, {"userIdentifier", "001.apple"}})
            .contains("error"));
    EXPECT_TRUE(
        call("_user-login-apple", {{"identityToken", QJsonValue::Null}, {"userIdentifier", QJsonValue::Null}})
            .contains("error"));
}

} // namespace

namespace {

TEST(AccountEndpointsConcurrency, SimultaneousSignUpsOfOneAddressCreateOneAccount) {
    TestApiServer server(fastAccountOptions());
    constexpr int callers = 6;
    std::vector<std::unique_ptr<ApiClient>> clients;
    for (int i = 0; i < callers; ++i)
        clients.push_back(
            std::make_unique<ApiClient>(server.clientSettings(QStringLiteral("race-%1").arg(i))));
    std::vector<std::promise<QJsonObject>> answers(callers);
    for (int i = 0; i < callers; ++i) {
        clients[i]->post("_user-signup", {{"email", "race@example.com"}, {"password", "password-1"}},
                         [&answers, i](const QJsonValue &result, const auto &) {
                             answers[i].set_value(result.toObject());
                         });
    }
    int created = 0;
    int refused = 0;
    for (auto &answer : answers) {
        const QJsonObject object = answer.get_future().get();
        created += object.contains("message");
        refused += object.value("error") == QStringLiteral("An account with this email already exists.");
    }
    EXPECT_EQ(created, 1);
    EXPECT_EQ(refused, callers - 1);
}

} // namespace
