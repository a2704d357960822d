#pragma once

#include "oauthsettings.h"
#include "zepcommon/account/externalsignin.h"

#include <QPointer>
#include <QTimer>
#include <QVariantMap>
#include <chrono>

class QNetworkReply;
class QOAuth2AuthorizationCodeFlow;

namespace account {

// Sign in with Google as an installed app: the authorization-code flow with PKCE (S256) in the
// system browser, redirected to a one-shot HTTP listener on 127.0.0.1 (a free port), scopes
// `openid email`. The code is exchanged at the token endpoint and the `id_token` of the answer is
// handed on with its `email` claim; tidewell-api verifies the token.
//
// Main thread only. After start(), exactly one of signedIn and failed follows (refusal in the
// browser, a state that does not match, a token request Google refuses, no answer within the
// time-out), unless cancel() comes first. A second start() cancels the first run. When not
// configured, failed is emitted from within start().
class GoogleSignIn : public ExternalSignIn {
    Q_OBJECT
public:
    explicit GoogleSignIn(OAuthSettings settings, BrowserOpener browser = systemBrowser(),
                          QObject *parent = nullptr);
    ~GoogleSignIn() override;

    bool isConfigured() const override;
    void start() override;
    void cancel() override;

    // How long the user has to finish in the browser; five minutes unless set.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

private:
    void onAuthorizeUrl(const QUrl &url);
    void onCallback(const QVariantMap &values);
    void onTokenReply(QNetworkReply *reply);
    void onGranted();
    void fail(const QString &reason);
    void finish();

    OAuthSettings m_settings;
    BrowserOpener m_browser;
    std::chrono::milliseconds m_timeout = std::chrono::minutes(5);
    QTimer m_deadline;
    // One run's flow, listener and network access, all children of this object; deleted a little
    // after the run ends, which happens inside their own signals.
    QPointer<QObject> m_run;
    QOAuth2AuthorizationCodeFlow *m_flow = nullptr;
    QString m_expectedState;
};

} // namespace account
