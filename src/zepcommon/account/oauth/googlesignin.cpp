#include "googlesignin.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMultiMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QUrlQuery>

namespace account {

namespace {

const char *const pageText =
    "<h1>Tidewell</h1><p>Tidewell has received Google's answer. You may close this window and return to "
    "Tidewell.</p>";

QString refusalText(const QString &error, const QString &description) {
    if (error == QLatin1String("access_denied"))
        return QStringLiteral("The Google sign-in was cancelled or refused in the browser.");
    return description.isEmpty()
               ? QStringLiteral("Google refused the sign-in (%1).").arg(error)
               : QStringLiteral("Google refused the sign-in (%1: %2).").arg(error, description);
}

} // namespace

GoogleSignIn::GoogleSignIn(OAuthSettings settings, BrowserOpener browser, QObject *parent)
    : ExternalSignIn(parent)
    , m_settings(std::move(settings))
    , m_browser(std::move(browser)) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("The Google sign-in was not completed in time.")); });
}

GoogleSignIn::~GoogleSignIn() {
    finish();
}

bool GoogleSignIn::isConfigured() const {
    return !m_settings.googleClientId.isEmpty();
}

void GoogleSignIn::start() {
    finish();
    if (!isConfigured()) {
        fail(QStringLiteral("Sign in with Google is not set up in this copy of Tidewell."));
        return;
    }
    m_run = new QObject(this);
    auto *network = new QNetworkAccessManager(m_run);
    auto *handler = new QOAuthHttpServerReplyHandler(QHostAddress::LocalHost, 0, m_run);
    if (!handler->isListening()) {
        fail(QStringLiteral("Tidewell could not listen for Google's answer on this computer."));
        return;
    }
    handler->setCallbackText(QString::fromLatin1(pageText));

    m_flow = new QOAuth2AuthorizationCodeFlow(m_run);
    m_flow->setNetworkAccessManager(network);
    m_flow->setReplyHandler(handler);
    m_flow->setAuthorizationUrl(m_settings.googleAuthorizeUrl);
    m_flow->setAccessTokenUrl(m_settings.googleTokenUrl);
    m_flow->setClientIdentifier(m_settings.googleClientId);
    m_flow->setClientIdentifierSharedKey(m_settings.googleClientSecret);
    m_flow->setScope(QStringLiteral("openid email"));
    m_flow->setState(randomUrlSafeText(24));

    // PKCE: the challenge goes with the authorization request, the verifier with the exchange.
    const QString verifier = randomUrlSafeText(48);
    const QString challenge =
        QString::fromLatin1(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
                                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    m_flow->setModifyParametersFunction(
        [verifier, challenge](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant> *parameters) {
            if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
                parameters->insert(QStringLiteral("code_challenge"), challenge);
                parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
            } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
                parameters->insert(QStringLiteral("code_verifier"), verifier);
            }
        });

    // Connected before the flow's own handler, so refusals and state mismatches end the run here
    // instead of being only logged.
    connect(handler, &QAbstractOAuthReplyHandler::callbackReceived, this, &GoogleSignIn::onCallback);
    connect(network, &QNetworkAccessManager::finished, this, &GoogleSignIn::onTokenReply);
    connect(m_flow, &QAbstractOAuth::authorizeWithBrowser, this, &GoogleSignIn::onAuthorizeUrl);
    connect(m_flow, &QAbstractOAuth::granted, this, &GoogleSignIn::onGranted);
    connect(m_flow, &QAbstractOAuth2::error, this,
            [this](const QString &error, const QString &description, const QUrl &) {
                fail(refusalText(error, description));
            });
    m_deadline.start(m_timeout);
    m_flow->grant();
}

void GoogleSignIn::cancel() {
    finish();
}

void GoogleSignIn::onAuthorizeUrl(const QUrl &url) {
    m_expectedState = QUrlQuery(url).queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded);
    if (!m_browser(url))
        fail(QStringLiteral("The browser could not be opened for the Google sign-in."));
}

void GoogleSignIn::onCallback(const QVariantMap &values) {
    const auto value = [&values](const char *key) {
        return QUrl::fromPercentEncoding(values.value(QString::fromLatin1(key)).toByteArray());
    };
    if (value("state") != m_expectedState || m_expectedState.isEmpty()) {
        fail(QStringLiteral("Google's answer did not belong to this sign-in."));
        return;
    }
    if (!value("error").isEmpty()) {
        fail(refusalText(value("error"), value("error_description")));
        return;
    }
    if (value("code").isEmpty())
        fail(QStringLiteral("Google's answer carried no authorization code."));
}

void GoogleSignIn::onTokenReply(QNetworkReply *reply) {
    if (reply->error() == QNetworkReply::NoError)
        return; // the flow reads the answer and reports granted
    const QJsonObject answer = QJsonDocument::fromJson(reply->peek(4096)).object();
    const QString error = answer.value(QLatin1String("error")).toString();
    fail(error.isEmpty()
             ? QStringLiteral("Google's token service could not be reached: %1").arg(reply->errorString())
             : refusalText(error, answer.value(QLatin1String("error_description")).toString()));
}

void GoogleSignIn::onGranted() {
    const QString idToken = m_flow->extraTokens().value(QStringLiteral("id_token")).toString();
    const auto claims = unverifiedClaims(idToken);
    if (!claims) {
        fail(QStringLiteral("Google's answer carried no ID token."));
        return;
    }
    const QString email = claims->value(QLatin1String("email")).toString();
    if (email.isEmpty()) {
        fail(QStringLiteral("Google did not share the account's e-mail address."));
        return;
    }
    finish();
    emit signedIn({email, idToken, claims->value(QLatin1String("sub")).toString()});
}

void GoogleSignIn::fail(const QString &reason) {
    finish();
    emit failed(reason);
}

void GoogleSignIn::finish() {
    m_deadline.stop();
    m_expectedState.clear();
    m_flow = nullptr;
    if (!m_run)
        return;
    // Nothing of the ended run may report again and the listener takes no new connection, but
    // the run lives a moment longer: deleting it would cut off the page the browser is being sent.
    for (QObject *child : m_run->children())
        disconnect(child, nullptr, this, nullptr);
    if (auto *handler = m_run->findChild<QOAuthHttpServerReplyHandler *>())
        handler->close();
    QTimer::singleShot(std::chrono::seconds(2), m_run.data(), &QObject::deleteLater);
    m_run = nullptr;
}

} // namespace account
