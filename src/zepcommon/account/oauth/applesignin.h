#pragma once

#include "oauthsettings.h"
#include "zepcommon/account/externalsignin.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>
#include <chrono>

class QNetworkReply;

namespace account {

// Sign in with Apple from the desktop: Apple's authorize page opens in the system browser with
// `response_type=code id_token`, `response_mode=form_post`, `scope=name email` and a fresh random
// state (192 bits). Apple form-posts its answer to tidewell-api's callback; the app polls
// tidewell-api's result route for that state, with growing pauses, and hands on the identity token
// with its `sub` claim as `user` (and the `email` claim when Apple shares it).
//
// Main thread only. After start(), exactly one of signedIn and failed follows (cancelled or
// refused at Apple, a refused poll, no answer within the time-out), unless cancel() comes first.
// While tidewell-api cannot be reached the polls go on until the time-out. A second start()
// cancels the first run. When not configured, failed is emitted from within start().
class AppleSignIn : public ExternalSignIn {
    Q_OBJECT
public:
    explicit AppleSignIn(OAuthSettings settings, BrowserOpener browser = systemBrowser(),
                         QObject *parent = nullptr);
    ~AppleSignIn() override;

    bool isConfigured() const override;
    void start() override;
    void cancel() override;

    // How long the user has to finish in the browser; five minutes unless set.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // The first pause between polls; each pause is half again as long, up to five seconds.
    void setPollInterval(std::chrono::milliseconds interval) { m_firstPause = interval; }

    // Where Apple must redirect: the return URL to register with the Services ID.
    QUrl callbackUrl() const;

private:
    QUrl authorizeUrl(const QString &state) const;
    void poll();
    void onPollReply(QNetworkReply *reply);
    void pollLater();
    void fail(const QString &reason);
    void finish();

    OAuthSettings m_settings;
    BrowserOpener m_browser;
    std::chrono::milliseconds m_timeout = std::chrono::minutes(5);
    std::chrono::milliseconds m_firstPause = std::chrono::seconds(1);
    std::chrono::milliseconds m_pause{};
    QNetworkAccessManager m_network;
    QTimer m_deadline;
    QTimer m_pollTimer;
    QPointer<QNetworkReply> m_reply;
    QString m_state;
};

} // namespace account
