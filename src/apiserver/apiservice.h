#pragma once

#include "accountservice.h"
#include "database.h"

#include <QByteArray>
#include <QJsonObject>
#include <vector>

namespace apiserver {

// One answer of the service, independent of the HTTP library.
struct ServiceAnswer {
    int status = 200;
    QByteArray contentType = "application/json";
    QByteArray token; // for the token header; empty for none
    QByteArray body;  // the whole body, unless streamed
    bool streamed = false;
    std::vector<QByteArray> chunks; // a streamed body, written chunk by chunk
};

// The envelope side of the web API: reads the request envelope, decrypts its payload with the
// payload key of the calling app, hands out install ids and access tokens, dispatches the
// endpoint (account endpoints, remote values, the stream endpoint) and encrypts the answer.
// Malformed envelopes get 400 with a plain JSON {"error": ...}; everything else answers 200 with
// an encrypted payload, failures inside it as {"error": ...}. Safe from any thread.
class ApiService {
public:
    ApiService(DatabaseConfig database, AccountService &accounts, QJsonObject remoteValues, Clock clock);

    // clientAddress: the caller's IP address as the connection shows it (sign-in attempts are
    // limited per address too); empty when unknown.
    ServiceAnswer handle(const QByteArray &body, const QByteArray &tokenHeader,
                         const QString &clientAddress = {});

private:
    struct Identity {
        QString installId;
        QString token;
    };
    std::optional<Identity> identify(const QString &app, const QString &installId, const QString &token);
    QJsonObject answer(const QString &endpoint, const QJsonObject &inner, const QString &clientAddress);
    ServiceAnswer stream(const QString &endpoint, const QJsonObject &inner, const QString &clientAddress);

    DatabaseConfig m_database;
    AccountService &m_accounts;
    QByteArray m_remoteValues; // compact JSON text
    Clock m_clock;
};

} // namespace apiserver
