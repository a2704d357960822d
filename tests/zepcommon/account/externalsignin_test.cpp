// Sign in with Google and with Apple end to end: a fake provider on loopback signs ID tokens with
// a test key whose key set the real tidewell-api is given; a scripted browser follows the
// redirects. The credential goes through ApiManager to the server, which verifies it.
#include "accountrecorder.h"
#include "tokensigner.h"

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
#include <httplib.h>

#include <thread>

using namespace account;
using namespace testsupport;

namespace {

const QString email = QStringLiteral("grace@example.org");
const QString googleClient = QStringLiteral("google-client-id");
const QString googleSecret = QStringLiteral("desktop-secret");
const QString appleService = QStringLiteral("app.tidewell.Tidewell");

enum class Mode { Answer, ForgedState, Refuse };

// Google's authorize and token endpoints and Apple's authorize page, whose auto-submitting form
// it plays itself by posting Apple's answer to the redirect URI. Checks what a real provider
// checks (client, redirect URI, PKCE verifier) and records the authorize queries.
class FakeProvider {
public:
    explicit FakeProvider(const TokenSigner &signer)
        : m_signer(signer) {
        m_server.Get("/google/authorize",
                     [this](const httplib::Request &q, httplib::Response &r) { googleAuthorize(q, r); });
        m_server.Post("/google/token",
                      [this](const httplib::Request &q, httplib::Response &r) { googleToken(q, r); });
        m_server.Get("/apple/authorize",
                     [this](const httplib::Request &q, httplib::Response &r) { appleAuthorize(q, r); });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FakeProvider() {
        m_server.stop();
        m_thread.join();
    }
    QUrl url(const char *path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(QLatin1String(path)));
    }
    QUrlQuery lastAuthorize() const {
        std::lock_guard lock(m_mutex);
        return m_authorize;
    }

    std::atomic<Mode> mode{Mode::Answer};

private:
    QString token(const QString &issuer, const QString &audience, const QString &subject) const {
        const qint64 exp = QDateTime(QDate(2026, 12, 8), QTime(0, 0), Qt::UTC).toSecsSinceEpoch();
        return m_signer.sign({{"iss", issuer},
                              {"aud", audience},
                              {"sub", subject},
                              {"email", email},
                              {"email_verified", true},
                              {"exp", double(exp)}});
    }
    static QString param(const httplib::Request &request, const char *key) {
        return QString::fromStdString(request.get_param_value(key));
    }
    void remember(const httplib::Request &request) {
        QUrlQuery query;
        for (const auto &[key, value] : request.params)
            query.addQueryItem(QString::fromStdString(key), QString::fromStdString(value));
        std::lock_guard lock(m_mutex);
        m_authorize = query;
    }

    void googleAuthorize(const httplib::Request &request, httplib::Response &response) {
        remember(request);
        if (param(request, "client_id") != googleClient || param(request, "response_type") != "code") {
            response.status = 400;
            return;
        }
        QUrl redirect(param(request, "redirect_uri"));
        QUrlQuery answer;
        if (mode == Mode::Refuse)
            answer.addQueryItem("error", "access_denied");
        else
            answer.addQueryItem("code", "code-1");
        answer.addQueryItem("state",
                            mode == Mode::ForgedState ? QStringLiteral("forged") : param(request, "state"));
        redirect.setQuery(answer);
        {
            std::lock_guard lock(m_mutex);
            m_challenge = param(request, "code_challenge");
            m_redirect = param(request, "redirect_uri");
        }
        response.set_redirect(redirect.toString(QUrl::FullyEncoded).toStdString());
    }

    void googleToken(const httplib::Request &request, httplib::Response &response) {
        std::lock_guard lock(m_mutex);
        const QString verifier = param(request, "code_verifier");
        const QByteArray proof =
            QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
        const bool good =
            param(request, "grant_type") == "authorization_code" && param(request, "code") == "code-1" &&
            param(request, "client_id") == googleClient && param(request, "client_secret") == googleSecret &&
            QUrl::fromPercentEncoding(param(request, "redirect_uri").toLatin1()) == m_redirect &&
            verifier.size() >= 43 && proof == m_challenge.toLatin1();
        if (!good) {
            response.status = 400;
            response.set_content(R"({"error":"invalid_grant"})", "application/json");
            return;
        }
        const QJsonObject answer{{"access_token", "access-1"},
                                 {"token_type", "Bearer"},
                                 {"expires_in", 3599},
                                 {"id_token", token("https://accounts.google.com", googleClient, "g-1")}};
        response.set_content(QJsonDocument(answer).toJson().toStdString(), "application/json");
    }

    void appleAuthorize(const httplib::Request &request, httplib::Response &response) {
        remember(request);
        const QUrl redirect(param(request, "redirect_uri"));
        httplib::Params form{{"state", param(request, "state").toStdString()}};
        if (mode == Mode::Refuse) {
            form.emplace("error", "user_cancelled_authorize");
        } else {
            form.emplace("code", "apple-code");
            form.emplace("id_token",
                         token("https://appleid.apple.com", appleService, "apple-1").toStdString());
            form.emplace("user", R"({"name":{"firstName":"Grace"},"email":"grace@example.org"})");
        }
        httplib::Client browser(redirect.host().toStdString(), redirect.port());
        const auto posted = browser.Post(redirect.path().toStdString(), form);
        response.status = posted ? posted->status : 502;
        response.set_content(posted ? posted->body : std::string(), "text/html");
    }

    const TokenSigner &m_signer;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    QUrlQuery m_authorize;
    QString m_challenge;
    QString m_redirect;
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
    OAuthSettings settings() const {
        OAuthSettings s;
        s.googleClientId = googleClient;
        s.googleClientSecret = googleSecret;
        s.googleAuthorizeUrl = provider.url("/google/authorize");
        s.googleTokenUrl = provider.url("/google/token");
        s.appleServiceId = appleService;
        s.appleAuthorizeUrl = provider.url("/apple/authorize");
        s.appleHandoffUrl = server.baseUrl();
        return s;
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
        for (const QDeadlineTimer limit(30000);
             !limit.hasExpired() && outcome.credentials.empty() && outcome.failures.empty();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents(); // a second report would arrive now
        EXPECT_EQ(outcome.credentials.size() + std::size_t(outcome.failures.size()), 1u)
            << outcome.failures.join(';').toStdString();
        return outcome;
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
    void SetUp() override {
        recorder.attach(manager);
        recorder.watch(center);
    }
};

TEST_F(AccountExternalSignIn, GoogleCodeWithPkceBecomesAServerSession) {
    GoogleSignIn google(settings(), browser());
    ASSERT_TRUE(google.isConfigured());
    const Outcome outcome = run(google);
    ASSERT_EQ(outcome.credentials.size(), 1u) << outcome.failures.join(';').toStdString();
    const ExternalCredential credential = outcome.credentials.front();
    EXPECT_EQ(credential.email, email);
    EXPECT_EQ(credential.user, "g-1");

    const QUrlQuery asked = provider.lastAuthorize();
    EXPECT_EQ(asked.queryItemValue("scope"), "openid email");
    EXPECT_EQ(asked.queryItemValue("code_challenge_method"), "S256");
    EXPECT_GE(asked.queryItemValue("state").size(), 22);
    EXPECT_TRUE(asked.queryItemValue("redirect_uri").startsWith("http://127.0.0.1:"));
    EXPECT_TRUE(pages.value(0).contains("return to Tidewell")) << pages.value(0).toStdString();

    EXPECT_EQ(apply([&](ApiManager &m) { m.logInWithGoogle(credential.email, credential.idToken); },
                    "_user-login-google"),
              QStringList{"externalSignInDone"});
    EXPECT_FALSE(defaults.stringValue("Sign_In_User_SessionID").isEmpty());
    EXPECT_TRUE(defaults.boolValue("Third_Party_Sign_In"));
}

TEST_F(AccountExternalSignIn, AppleFormPostIsHandedOffByTheServer) {
    AppleSignIn apple(settings(), browser());
    apple.setPollInterval(std::chrono::milliseconds(20));
    const Outcome outcome = run(apple);
    ASSERT_EQ(outcome.credentials.size(), 1u) << outcome.failures.join(';').toStdString();
    const ExternalCredential credential = outcome.credentials.front();
    EXPECT_EQ(credential.user, "apple-1");
    EXPECT_EQ(credential.email, email);

    const QUrlQuery asked = provider.lastAuthorize();
    EXPECT_EQ(asked.queryItemValue("response_type"), "code id_token");
    EXPECT_EQ(asked.queryItemValue("response_mode"), "form_post");
    EXPECT_EQ(asked.queryItemValue("scope"), "name email");
    EXPECT_EQ(asked.queryItemValue("client_id"), appleService);
    EXPECT_EQ(asked.queryItemValue("redirect_uri"), server.baseUrl().toString() + "/auth/apple/callback");
    EXPECT_GE(asked.queryItemValue("state").size(), 22);
    EXPECT_TRUE(pages.value(0).contains("return to Tidewell")) << pages.value(0).toStdString();

    EXPECT_EQ(apply([&](ApiManager &m) { m.logInWithApple(credential.idToken, credential.user); },
                    "_user-login-apple"),
              (QStringList{"post|User_SignIn_App", "externalSignInDone"}));
    EXPECT_EQ(defaults.stringValue("User_Email"), email);
    EXPECT_FALSE(defaults.stringValue("Sign_In_User_SessionID").isEmpty());
}

enum class Provider { Google, Apple };

struct FailureCase {
    const char *name;
    Provider provider;
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
    OAuthSettings s = settings();
    if (!c.configured) {
        s.googleClientId.clear();
        s.appleServiceId.clear();
    }
    provider.mode = c.mode;
    closeBrowser = c.closeBrowser;
    std::unique_ptr<ExternalSignIn> signIn;
    if (c.provider == Provider::Google) {
        auto google = std::make_unique<GoogleSignIn>(s, browser());
        google->setTimeout(std::chrono::milliseconds(200));
        signIn = std::move(google);
    } else {
        auto apple = std::make_unique<AppleSignIn>(s, browser());
        apple->setTimeout(std::chrono::milliseconds(200));
        apple->setPollInterval(std::chrono::milliseconds(20));
        signIn = std::move(apple);
    }
    EXPECT_EQ(signIn->isConfigured(), c.configured);
    const Outcome outcome = run(*signIn);
    EXPECT_TRUE(outcome.credentials.empty());
    EXPECT_EQ(outcome.failures.value(0), QString::fromUtf8(c.reason));
    EXPECT_EQ(opened.isEmpty(), !c.configured) << "nothing opens without a client identifier";
    if (c.configured && !c.closeBrowser) {
        for (const QDeadlineTimer limit(10000); !limit.hasExpired() && pages.isEmpty();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_TRUE(pages.value(0).contains("return to Tidewell")) << "the browser still gets its page";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccountExternalSignInFailures,
    ::testing::Values(FailureCase{"GoogleNotSetUp", Provider::Google, Mode::Answer, false, false,
                                  "Sign in with Google is not set up in this copy of Tidewell."},
                      FailureCase{"GoogleForgedState", Provider::Google, Mode::ForgedState, true, false,
                                  "Google's answer did not belong to this sign-in."},
                      FailureCase{"GoogleRefused", Provider::Google, Mode::Refuse, true, false,
                                  "The Google sign-in was cancelled or refused in the browser."},
                      FailureCase{"GoogleBrowserClosed", Provider::Google, Mode::Answer, true, true,
                                  "The Google sign-in was not completed in time."},
                      FailureCase{"AppleNotSetUp", Provider::Apple, Mode::Answer, false, false,
                                  "Sign in with Apple is not set up in this copy of Tidewell."},
                      FailureCase{"AppleCancelled", Provider::Apple, Mode::Refuse, true, false,
                                  "The Apple sign-in was cancelled in the browser."},
                      FailureCase{"AppleBrowserClosed", Provider::Apple, Mode::Answer, true, true,
                                  "The Apple sign-in was not completed in time."}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
