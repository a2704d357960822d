#pragma once

#include "platform/result.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

typedef struct evp_pkey_st EVP_PKEY;

namespace apiserver {

// What a verified token must say about itself.
struct TokenPolicy {
    QStringList issuers; // one of these must be the "iss" claim
    QString audience;    // must be the "aud" claim or one of its entries
};

enum class TokenError {
    Malformed,
    UnknownKey,
    BadSignature,
    WrongIssuer,
    WrongAudience,
    Expired,
    KeySetUnreadable
};

// Verifies RS256-signed JSON web tokens (Sign in with Apple and Google ID tokens) against a
// JSON web key set read once at start. Only RSA keys with "kid", "n" and "e" are taken; a token
// whose header names another algorithm is refused. Immutable after creation; safe from any
// thread.
class IdTokenVerifier {
public:
    static platform::Result<std::shared_ptr<const IdTokenVerifier>, TokenError>
    fromKeySet(const QByteArray &json);
    static platform::Result<std::shared_ptr<const IdTokenVerifier>, TokenError>
    fromKeySetFile(const QString &path);

    // The token's claims once its signature, issuer, audience and expiry ("exp", with a minute
    // of leeway for clock skew) are good.
    platform::Result<QJsonObject, TokenError> verify(const QString &token, const TokenPolicy &policy,
                                                     const QDateTime &now) const;

    std::size_t keyCount() const { return m_keys.size(); }

private:
    std::map<QString, std::shared_ptr<EVP_PKEY>> m_keys;
};

} // namespace apiserver
