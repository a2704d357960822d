// Sign in with Google and with Apple end to end: a fake provider on loopback signs ID tokens with
// a test key whose key set the real tidewell-api is given; a scripted browser follows the
// redirects. The credential goes through ApiManager to the server, which verifies it.
#include "accountrecorder.h"
#include "tokensigner.h"

#include "http/httpserver.h"
#include "httpclient.h"
#include "idtokenverifier.h"
#include "platform/defaults.h"
#include "tarnwick/apiclient.h"
#include "testapiserver.h"
#include "zepcommon/account/oauth/applesignin.h"
#include "zepcommon/account/oauth/googlesignin.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include <thread>

using namespace account;
using namespace testsupport;

namespace {

const QString email = QStringLiteral("grace@example.org");
const QString googleClient = QStringLiteral("google-client-id");
const QString googleSecret = QStringLiteral("desktop-secret");
const QString appleService = QStringLiteral("app.tidewell.Tidewell");

enum class Mode { Answer, ForgedState, Refuse, RefuseCode };

// Google's authorize and token endpoints and Apple's authorize page, whose auto-submitting form it
// plays itself by posting Apple's answer to the redirect URI. Checks what a real provider checks
// (client, secret, redirect URI, PKCE verifier) and keeps the last authorize query.
class FakeProvider {
public:
    explicit FakeProvider(const TokenSigner &signer)
        : m_signer(signer) {
        m_server.route(http::Method::Get, "/google/authorize", [this](const http::HttpRequest &q) {
            std::map<std::string, std::string> asked = params(q.query());
            {
                std::lock_guard lock(m_mutex);
                m_asked = asked;
            }
            QUrl redirect(QString::fromStdString(asked["redirect_uri"]));
            redirect.setQuery({{mode == Mode::Refuse ? "error" : "code", mode == Mode::Refuse ? "access_denied" : "c1"},
                               {"state", mode == Mode::ForgedState ? QStringLiteral("forged")
                                                                   : QString::fromStdString(asked["state"])}});
            return http::HttpResponse::withStatus(302).withHeader(
                "Location", redirect.toString(QUrl::FullyEncoded).toStdString());
        });
        m_server.route(http::Method::Post, "/google/token", [this](const http::HttpRequest &q) {
            std::map<std::string, std::string> form = params(q.formPairs().value_or(http::Pairs{}));
            const QString proof = QString::fromLatin1(
                QCryptographicHash::hash(QByteArray::fromStdString(form["code_verifier"]), QCryptographicHash::Sha256)
                    .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
            if (form["grant_type"] != "authorization_code" || form["code"] != "c1" ||
                QString::fromStdString(form["client_id"]) != googleClient ||
                QString::fromStdString(form["client_secret"]) != googleSecret ||
                QString::fromStdString(form["redirect_uri"]) != asked("redirect_uri") ||
                proof != asked("code_challenge") || mode == Mode::RefuseCode)
            {
                http::HttpResponse refused = http::HttpResponse::data(R"({"error":"invalid_grant"})", "application/json");
                refused.status = 400;
                return refused;
            }
            const QJsonObject answer{{"access_token", "a1"},
                                     {"token_type", "Bearer"},
                                     {"id_token", token("https://accounts.google.com", googleClient, "g-1")}};
            return http::HttpResponse::data(QJsonDocument(answer).toJson().toStdString(), "application/json");
        });
        m_server.route(http::Method::Get, "/apple/authorize", [this](const http::HttpRequest &q) {
            std::map<std::string, std::string> asked = params(q.query());
            {
                // Kept before the post: the app may have its token before this handler returns.
                std::lock_guard lock(m_mutex);
                m_asked = asked;
            }
            const QUrl redirect(QString::fromStdString(asked["redirect_uri"]));
            QUrlQuery form;
            form.addQueryItem("state", QString::fromStdString(asked["state"]));
            if (mode == Mode::Refuse) {
                form.addQueryItem("error", "user_cancelled_authorize");
            } else {
                form.addQueryItem("code", "c2");
                form.addQueryItem("id_token", token("https://appleid.apple.com", appleService, "apple-1"));
                form.addQueryItem("user", R"({"name":{"firstName":"Grace"},"email":"grace@example.org"})");
            }
            const HttpClient browser(redirect.host().toStdString(), redirect.port());
            const auto posted = browser.post(redirect.path().toStdString(),
                                             form.toString(QUrl::FullyEncoded).replace("+", "%2B").toStdString(),
                                             "application/x-www-form-urlencoded");
            http::HttpResponse reply = http::HttpResponse::html(posted ? posted->body : std::string());
            reply.status = posted ? posted->status : 502;
            return reply;
        });
        if (!m_server.start(0, "127.0.0.1"))
            ADD_FAILURE() << "the fake provider cannot listen: " << m_server.errorText();
    }
    ~FakeProvider() { m_server.stop(); }
    QUrl url(const char *path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.port()).arg(path));
    }
    // A value of the last authorize query.
    QString asked(const char *key) const {
        std::lock_guard lock(m_mutex);
        const auto found = m_asked.find(key);
        return found == m_asked.end() ? QString() : QString::fromStdString(found->second);
    }

    std::atomic<Mode> mode{Mode::Answer};

private:
    static std::map<std::string, std::string> params(const http::Pairs &pairs) {
        std::map<std::string, std::string> map;
        for (const auto &[key, value] : pairs)
            map.emplace(key, value);
        return map;
    }
    QString token(const QString &issuer, const QString &audience, const QString &subject) const {
        const qint64 exp = QDateTime(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
        return m_signer.sign({{"iss", issuer},
                              {"aud", audience},
                              {"sub", subject},
                              {"email", email},
                              {"email_verified", true},
                              {"exp", double(exp)}});
    }

    const TokenSigner &m_signer;
    http::HttpServer m_server;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_asked;
};

struct Outcome {
    std::vector<ExternalCredential> credentials;
    QStringList failures;
};

class AccountExternalSignIn : public ::testing::Test {
protected:
    static void SetUpTestSuite() { signer = new TokenSigner(QStringLiteral("oauth-key")); }
    static void TearDownTestSuite() { delete signer; }

    static apiserver::AccountOptions options() {
        apiserver::AccountOptions options = fastAccountOptions();
        options.appleKeys = *apiserver::IdTokenVerifier::fromKeySet(signer->keySet());
        options.appleAudience = appleService;
        options.googleKeys = options.appleKeys;
        options.googleAudience = googleClient;
        return options;
    }
    void SetUp() override {
        recorder.attach(manager);
        recorder.watch(center);
        settings.googleClientId = googleClient;
        settings.googleClientSecret = googleSecret;
        settings.googleAuthorizeUrl = provider.url("/google/authorize");
        settings.googleTokenUrl = provider.url("/google/token");
        settings.appleServiceId = appleService;
        settings.appleAuthorizeUrl = provider.url("/apple/authorize");
        settings.appleHandoffUrl = server.baseUrl();
    }
    // The user's browser: loads the page and follows redirects, unless the user closed it.
    BrowserOpener browser() {
        return [this](const QUrl &url) {
            opened << url;
            if (!closeBrowser) {
                QNetworkReply *reply = network.get(QNetworkRequest(url));
                QObject::connect(reply, &QNetworkReply::finished, [this, reply] {
                    pages << QString::fromUtf8(reply->readAll());
                    reply->deleteLater();
                });
            }
            return true;
        };
    }
    Outcome run(ExternalSignIn &signIn) {
        Outcome outcome;
        QObject::connect(&signIn, &ExternalSignIn::signedIn,
                         [&outcome](const ExternalCredential &c) { outcome.credentials.push_back(c); });
        QObject::connect(&signIn, &ExternalSignIn::failed,
                         [&outcome](const QString &r) { outcome.failures << r; });
        signIn.start();
        waitUntil([&] { return !outcome.credentials.empty() || !outcome.failures.isEmpty(); });
        QCoreApplication::processEvents(); // a second report would arrive now
        EXPECT_EQ(outcome.credentials.size() + std::size_t(outcome.failures.size()), 1u)
            << outcome.failures.join(';').toStdString();
        return outcome;
    }
    static void waitUntil(const std::function<bool()> &done) {
        for (const QDeadlineTimer limit(30000); !limit.hasExpired() && !done();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    // Runs the operation on the app's ApiManager and returns the delegate calls once answered.
    QStringList apply(const std::function<void(ApiManager &)> &operation, const char *endpoint) {
        recorder.calls.clear();
        operation(manager);
        EXPECT_TRUE(waiter.waitFor(endpoint)) << endpoint;
        return recorder.calls;
    }

    static inline TokenSigner *signer = nullptr;
    FakeProvider provider{*signer};
    TestApiServer server{options()};
    OAuthSettings settings;
    QNetworkAccessManager network;
    QList<QUrl> opened;
    QStringList pages;
    bool closeBrowser = false;

    tarnwick::ApiClient client{server.clientSettings("oauth")};
    platform::Defaults defaults{QStringLiteral("oauth-test")};
    platform::NotificationCenter center;
    ApiManager manager{client, defaults, center};
    AccountRecorder recorder;
    AnswerWaiter waiter;
};

TEST_F(AccountExternalSignIn, GoogleCodeWithPkceBecomesAServerSession) {
    GoogleSignIn google(settings, browser());
    const Outcome outcome = run(google);
    ASSERT_EQ(outcome.credentials.size(), 1u) << outcome.failures.value(0).toStdString();
    const ExternalCredential credential = outcome.credentials.front();
    EXPECT_EQ(credential.email, email);
    EXPECT_EQ(credential.user, "g-1");
    EXPECT_EQ(provider.asked("scope"), "openid email");
    EXPECT_EQ(provider.asked("code_challenge_method"), "S256");
    EXPECT_GE(provider.asked("state").size(), 22);
    EXPECT_TRUE(provider.asked("redirect_uri").startsWith("http://127.0.0.1:"));
    EXPECT_TRUE(pages.value(0).contains("return to Tidewell")) << pages.value(0).toStdString();

    EXPECT_EQ(apply([&](ApiManager &m) { m.logInWithGoogle(credential.email, credential.idToken); },
                    "_user-login-google"),
              QStringList{"externalSignInDone"});
    EXPECT_FALSE(defaults.stringValue("Sign_In_User_SessionID").isEmpty());
    EXPECT_TRUE(defaults.boolValue("Third_Party_Sign_In"));
}

TEST_F(AccountExternalSignIn, AppleFormPostIsHandedOffByTheServer) {
    AppleSignIn apple(settings, browser());
    apple.setPollInterval(std::chrono::milliseconds(20));
    const Outcome outcome = run(apple);
    ASSERT_EQ(outcome.credentials.size(), 1u) << outcome.failures.value(0).toStdString();
    const ExternalCredential credential = outcome.credentials.front();
    EXPECT_EQ(credential.user, "apple-1");
    EXPECT_EQ(credential.email, email);
    EXPECT_EQ(provider.asked("response_type"), "code id_token");
    EXPECT_EQ(provider.asked("response_mode"), "form_post");
    EXPECT_EQ(provider.asked("scope"), "name email");
    EXPECT_EQ(provider.asked("client_id"), appleService);
    EXPECT_EQ(provider.asked("redirect_uri"), server.baseUrl().toString() + "/auth/apple/callback");
    EXPECT_GE(provider.asked("state").size(), 22);
    EXPECT_TRUE(pages.value(0).contains("return to Tidewell")) << pages.value(0).toStdString();

    EXPECT_EQ(apply([&](ApiManager &m) { m.logInWithApple(credential.idToken, credential.user); },
                    "_user-login-apple"),
              (QStringList{"post|User_SignIn_App", "externalSignInDone"}));
    EXPECT_EQ(defaults.stringValue("User_Email"), email);
    EXPECT_FALSE(defaults.stringValue("Sign_In_User_SessionID").isEmpty());
}

TEST(AccountOAuthSettings, ReadsTheDocumentedKeysWithTheProvidersAsDefaults) {
    static int suite = 0; // a fresh settings file on every run of the test
    platform::Defaults defaults(QStringLiteral("oauth-settings-%1").arg(++suite));
    qputenv("TARNWICK_SERVICE_URL", "http://127.0.0.1:8090/v1/call");
    EXPECT_EQ(OAuthSettings::fromDefaults(defaults).appleHandoffUrl, QUrl("http://127.0.0.1:8090"));
    qunsetenv("TARNWICK_SERVICE_URL");
    OAuthSettings read = OAuthSettings::fromDefaults(defaults);
    EXPECT_TRUE(read.googleClientId.isEmpty());
    EXPECT_EQ(read.googleTokenUrl, QUrl("https://oauth2.googleapis.com/token"));
    EXPECT_EQ(read.appleHandoffUrl, QUrl("https://api.tidewell.app"));

    defaults.setValue("OAuth/GoogleClientID", " id.apps.googleusercontent.com ");
    defaults.setValue("OAuth/GoogleClientSecret", "secret");
    defaults.setValue("OAuth/AppleServiceID", "app.tidewell.signin");
    defaults.setValue("OAuth/AppleHandoffURL", "https://api.example.org/");
    defaults.setValue("OAuth/GoogleTokenURL", "not a url");
    read = OAuthSettings::fromDefaults(defaults);
    EXPECT_EQ(read.googleClientId, "id.apps.googleusercontent.com");
    EXPECT_EQ(read.googleClientSecret, "secret");
    EXPECT_EQ(read.appleServiceId, "app.tidewell.signin");
    EXPECT_EQ(AppleSignIn(read, {}).callbackUrl(), QUrl("https://api.example.org/auth/apple/callback"));
    EXPECT_EQ(read.googleTokenUrl, QUrl("https://oauth2.googleapis.com/token"))
        << "a bad URL keeps the default";
}

struct FailureCase {
    const char *name;
    bool google;
    Mode mode;
    bool configured;
    bool closeBrowser;
    const char *reason;
};

void PrintTo(const FailureCase &c, std::ostream *out) {
    *out << c.name;
}

class AccountExternalSignInFailures : public AccountExternalSignIn,
                                      public ::testing::WithParamInterface<FailureCase> {};

TEST_P(AccountExternalSignInFailures, EndsWithOneClearReason) {
    const FailureCase &c = GetParam();
    if (!c.configured)
        settings.googleClientId = settings.appleServiceId = QString();
    provider.mode = c.mode;
    closeBrowser = c.closeBrowser;
    // Only the closed browser may reach the time-out; the others must end on their own reason
    // however slow the machine is.
    const auto timeout = std::chrono::milliseconds(c.closeBrowser ? 200 : 60'000);
    std::unique_ptr<ExternalSignIn> signIn;
    if (c.google) {
        auto google = std::make_unique<GoogleSignIn>(settings, browser());
        google->setTimeout(timeout);
        signIn = std::move(google);
    } else {
        auto apple = std::make_unique<AppleSignIn>(settings, browser());
        apple->setTimeout(timeout);
        apple->setPollInterval(std::chrono::milliseconds(20));
        signIn = std::move(apple);
    }
    EXPECT_EQ(signIn->isConfigured(), c.configured);
    const Outcome outcome = run(*signIn);
    EXPECT_EQ(outcome.failures.value(0), QString::fromUtf8(c.reason));
    EXPECT_EQ(opened.isEmpty(), !c.configured) << "nothing opens without a client identifier";
    if (c.configured && !c.closeBrowser) {
        waitUntil([this] { return !pages.isEmpty(); });
        EXPECT_TRUE(pages.value(0).contains("return to Tidewell")) << "the browser still gets its page";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccountExternalSignInFailures,
    ::testing::Values(FailureCase{"GoogleNotSetUp", true, Mode::Answer, false, false,
                                  "Sign in with Google is not set up in this copy of Tidewell."},
                      FailureCase{"GoogleForgedState", true, Mode::ForgedState, true, false,
                                  "Google's answer did not belong to this sign-in."},
                      FailureCase{"GoogleRefused", true, Mode::Refuse, true, false,
                                  "The Google sign-in was cancelled or refused in the browser."},
                      FailureCase{"GoogleCodeRefused", true, Mode::RefuseCode, true, false,
                                  "Google refused the sign-in (invalid_grant)."},
                      FailureCase{"GoogleBrowserClosed", true, Mode::Answer, true, true,
                                  "The Google sign-in was not completed in time."},
                      FailureCase{"AppleNotSetUp", false, Mode::Answer, false, false,
                                  "Sign in with Apple is not set up in this copy of Tidewell."},
                      FailureCase{"AppleCancelled", false, Mode::Refuse, true, false,
                                  "The Apple sign-in was cancelled in the browser."},
                      FailureCase{"AppleBrowserClosed", false, Mode::Answer, true, true,
                                  "The Apple sign-in was not completed in time."}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
