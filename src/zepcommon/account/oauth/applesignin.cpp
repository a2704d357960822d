#include "applesignin.h"

#include "tarnwick/protocol.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

#include <algorithm>

namespace account {

namespace proto = tarnwick::protocol;

namespace {

constexpr std::chrono::milliseconds longestPause = std::chrono::seconds(5);

QUrl withPath(QUrl base, const char *path) {
    QString joined = base.path();
    while (joined.endsWith(QLatin1Char('/')))
        joined.chop(1);
    base.setPath(joined + QString::fromLatin1(path));
    return base;
}

} // namespace

AppleSignIn::AppleSignIn(OAuthSettings settings, BrowserOpener browser, QObject *parent)
    : ExternalSignIn(parent)
    , m_settings(std::move(settings))
    , m_browser(std::move(browser)) {
    m_deadline.setSingleShot(true);
    m_pollTimer.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("The Apple sign-in was not completed in time.")); });
    connect(&m_pollTimer, &QTimer::timeout, this, &AppleSignIn::poll);
}

AppleSignIn::~AppleSignIn() {
    finish();
}

bool AppleSignIn::isConfigured() const {
    return !m_settings.appleServiceId.isEmpty() && m_settings.appleHandoffUrl.isValid() &&
           !m_settings.appleHandoffUrl.host().isEmpty();
}

QUrl AppleSignIn::callbackUrl() const {
    return withPath(m_settings.appleHandoffUrl, proto::appleCallbackPath);
}

QUrl AppleSignIn::authorizeUrl(const QString &state) const {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code id_token"));
    query.addQueryItem(QStringLiteral("response_mode"), QStringLiteral("form_post"));
    query.addQueryItem(QStringLiteral("client_id"),
                       QString::fromLatin1(QUrl::toPercentEncoding(m_settings.appleServiceId)));
    query.addQueryItem(QStringLiteral("redirect_uri"), QString::fromLatin1(QUrl::toPercentEncoding(
                                                           callbackUrl().toString(QUrl::FullyEncoded))));
    query.addQueryItem(QStringLiteral("scope"), QStringLiteral("name email"));
    query.addQueryItem(QStringLiteral("state"), state);
    QUrl url = m_settings.appleAuthorizeUrl;
    url.setQuery(query);
    return url;
}

void AppleSignIn::start() {
    finish();
    if (!isConfigured()) {
        fail(QStringLiteral("Sign in with Apple is not set up in this copy of Tidewell."));
        return;
    }
    m_state = randomUrlSafeText(24);
    if (!m_browser(authorizeUrl(m_state))) {
        fail(QStringLiteral("The browser could not be opened for the Apple sign-in."));
        return;
    }
    m_deadline.start(m_timeout);
    m_pause = m_firstPause;
    m_pollTimer.start(m_pause);
}

void AppleSignIn::cancel() {
    finish();
}

void AppleSignIn::poll() {
    QUrl url = withPath(m_settings.appleHandoffUrl, proto::appleResultPath);
    url.setQuery(QUrlQuery{{QString::fromLatin1(proto::appleStateItem), m_state}});
    QNetworkRequest request(url);
    request.setTransferTimeout(int(std::chrono::milliseconds(std::chrono::seconds(20)).count()));
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::finished, this, [this, reply = m_reply.data()] {
        reply->deleteLater();
        if (reply == m_reply)
            onPollReply(reply);
    });
}

void AppleSignIn::pollLater() {
    m_pause = std::min(longestPause, m_pause + m_pause / 2);
    m_pollTimer.start(m_pause);
}

void AppleSignIn::onPollReply(QNetworkReply *reply) {
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0 || status == 202 || status >= 500) {
        pollLater(); // not there yet, or tidewell-api is briefly away
        return;
    }
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    if (status != 200) {
        fail(QStringLiteral("The Apple sign-in could not be collected: %1")
                 .arg(answer.value(QLatin1String("error")).toString(reply->errorString())));
        return;
    }
    const QString error = answer.value(QLatin1String("error")).toString();
    if (error == QLatin1String("user_cancelled_authorize")) {
        fail(QStringLiteral("The Apple sign-in was cancelled in the browser."));
        return;
    }
    if (!error.isEmpty()) {
        fail(QStringLiteral("Apple refused the sign-in (%1).").arg(error));
        return;
    }
    const QString idToken = answer.value(QLatin1String("idToken")).toString();
    const auto claims = unverifiedClaims(idToken);
    const QString user = claims ? claims->value(QLatin1String("sub")).toString() : QString();
    if (user.isEmpty()) {
        fail(QStringLiteral("Apple's answer carried no identity token."));
        return;
    }
    QString email = claims->value(QLatin1String("email")).toString();
    if (email.isEmpty()) // Apple names the address in `user` on the first sign-in only
        email = QJsonDocument::fromJson(answer.value(QLatin1String("user")).toString().toUtf8())
                    .object()
                    .value(QLatin1String("email"))
                    .toString();
    finish();
    emit signedIn({email, idToken, user});
}

void AppleSignIn::fail(const QString &reason) {
    finish();
    emit failed(reason);
}

void AppleSignIn::finish() {
    m_deadline.stop();
    m_pollTimer.stop();
    m_state.clear();
    if (QNetworkReply *reply = m_reply.data()) {
        m_reply = nullptr;
        reply->abort();
    }
}

} // namespace account
