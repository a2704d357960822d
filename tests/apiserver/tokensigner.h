#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <memory>

typedef struct evp_pkey_st EVP_PKEY;

namespace testsupport {

// An RSA key made for one test run, to sign JSON web tokens the way Apple and Google do.
class TokenSigner {
public:
    explicit TokenSigner(QString kid);
    // {"keys": [{"kty": "RSA", "kid": ..., "alg": "RS256", "use": "sig", "n": ..., "e": ...}]}
    QByteArray keySet() const;
    // header.claims.signature with RS256; alg can be changed to make bad tokens.
    QString sign(const QJsonObject &claims, const QString &alg = QStringLiteral("RS256")) const;
    const QString &kid() const { return m_kid; }

private:
    QString m_kid;
    std::shared_ptr<EVP_PKEY> m_key;
};

} // namespace testsupport
