#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace account {

// What a provider's sign-in hands back. Google: the profile e-mail and the ID token. Apple: the
// identity token and the stable user identifier (`user`); the e-mail only when Apple shares it.
struct ExternalCredential {
    QString email;
    QString idToken;
    QString user;
};

// One provider's OAuth 2.0 sign-in, run in the system browser. start() opens the browser; exactly
// one of signedIn and failed follows on the main thread, unless cancel() comes first. The hub
// holds one per provider and does not own it.
class ExternalSignIn : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False when the app has no client identifier for the provider; the hub then tells the user
    // the provider is not set up instead of starting anything.
    virtual bool isConfigured() const = 0;
    virtual void start() = 0;
    virtual void cancel() = 0;

signals:
    void signedIn(const account::ExternalCredential &credential);
    // Why the sign-in ended without a credential (refused, closed, timed out, bad answer).
    void failed(const QString &reason);
};

} // namespace account

Q_DECLARE_METATYPE(account::ExternalCredential)
