#include "apiservice.h"

#include "accountendpoints.h"
#include "accountstore.h"
#include "passwordhasher.h"
#include "platform/log.h"
#include "tarnwick/payloadcipher.h"
#include "tarnwick/protocol.h"
#include "tarnwick/streamdecoder.h"

#include <QJsonDocument>

namespace apiserver {

namespace proto = tarnwick::protocol;
using tarnwick::PayloadCipher;

namespace {

ServiceAnswer badRequest(const QString &text) {
    ServiceAnswer answer;
    answer.status = 400;
    answer.body = QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson(QJsonDocument::Compact);
    return answer;
}

ServiceAnswer serverError() {
    ServiceAnswer answer;
    answer.status = 500;
    answer.body = R"({"error":"The server could not complete the request."})";
    return answer;
}

QString field(const QJsonObject &object, const char *name) {
    return object.value(QLatin1String(name)).toString();
}

} // namespace

ApiService::ApiService(DatabaseConfig database, AccountService &accounts, QJsonObject remoteValues,
                       Clock clock)
    : m_database(std::move(database))
    , m_accounts(accounts)
    , m_remoteValues(QJsonDocument(remoteValues).toJson(QJsonDocument::Compact))
    , m_clock(std::move(clock)) {}

std::optional<ApiService::Identity> ApiService::identify(const QString &app, const QString &installId,
                                                         const QString &token) {
    Connection connection(m_database);
    if (!connection.isOpen())
        return std::nullopt;
    AccountStore store(connection);
    const qint64 now = m_clock().toSecsSinceEpoch();
    const auto known = installId.isEmpty() ? StoreResult<InstallRecord>(platform::fail(StoreError::NotFound))
                                           : store.install(installId);
    if (known && known->token == token)
        return Identity{known->id, known->token};
    const auto newToken = randomHex(32);
    if (!newToken)
        return std::nullopt;
    if (known) {
        // A known install that lost its token (or never kept one) gets a fresh token.
        if (!store.setInstallToken(known->id, *newToken))
            return std::nullopt;
        return Identity{known->id, *newToken};
    }
    if (!known && known.reason() != StoreError::NotFound)
        return std::nullopt;
    const auto newId = randomHex(16);
    if (!newId || !store.insertInstall({*newId, app, *newToken}, now))
        return std::nullopt;
    return Identity{*newId, *newToken};
}

ServiceAnswer ApiService::handle(const QByteArray &body, const QByteArray &tokenHeader,
                                 const QString &clientAddress) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return badRequest(QStringLiteral("The request is not a JSON object."));
    const QJsonObject envelope = document.object();
    const QString app = field(envelope, proto::appIdentifierField);
    const QString payload = field(envelope, proto::payloadField);
    if (app.isEmpty() || payload.isEmpty())
        return badRequest(QStringLiteral("The request lacks the app identifier or the payload."));
    const QString key = PayloadCipher::payloadKey(app);
    const auto plain = PayloadCipher::decrypt(payload, key);
    const QJsonDocument innerDocument = plain ? QJsonDocument::fromJson(plain->toUtf8()) : QJsonDocument();
    if (!innerDocument.isObject())
        return badRequest(QStringLiteral("The payload cannot be read with this app's key."));
    const QJsonObject inner = innerDocument.object();
    const QString endpoint = field(inner, proto::endpointField);
    if (endpoint.isEmpty())
        return badRequest(QStringLiteral("The payload names no endpoint."));

    const auto identity =
        identify(app, field(envelope, proto::installIdField), QString::fromUtf8(tokenHeader));
    if (!identity)
        return serverError();
    platform::log(QStringLiteral("tidewell-api: %1 from %2").arg(endpoint, identity->installId));

    ServiceAnswer reply;
    if (inner.value(QLatin1String(proto::streamField)).toBool()) {
        reply = stream(endpoint, inner, clientAddress);
    } else {
        QByteArray plainAnswer;
        if (endpoint == QLatin1String(proto::remoteValuesEndpoint))
            plainAnswer = m_remoteValues;
        else
            plainAnswer =
                QJsonDocument(answer(endpoint, inner, clientAddress)).toJson(QJsonDocument::Compact);
        const auto encrypted = PayloadCipher::encrypt(QString::fromUtf8(plainAnswer), key);
        if (!encrypted)
            return serverError();
        reply.body = QJsonDocument(QJsonObject{{QLatin1String(proto::installIdField), identity->installId},
                                               {QLatin1String(proto::payloadField), *encrypted}})
                         .toJson(QJsonDocument::Compact);
    }
    reply.token = identity->token.toUtf8();
    return reply;
}

QJsonObject ApiService::answer(const QString &endpoint, const QJsonObject &inner,
                               const QString &clientAddress) {
    if (AccountService::handles(endpoint))
        return m_accounts.handle(endpoint, inner, clientAddress);
    return {{QStringLiteral("error"), QStringLiteral("Unknown endpoint: %1").arg(endpoint)}};
}

ServiceAnswer ApiService::stream(const QString &endpoint, const QJsonObject &inner,
                                 const QString &clientAddress) {
    std::vector<QJsonObject> messages;
    if (endpoint == QLatin1String(endpoints::streamEcho)) {
        bool ok = false;
        const int requested = field(inner, "count").toInt(&ok);
        const int count = ok ? std::clamp(requested, 0, 1000) : 3;
        for (int index = 0; index < count; ++index)
            messages.push_back(
                {{QStringLiteral("index"), index}, {QStringLiteral("text"), field(inner, "text")}});
    } else {
        messages.push_back(answer(endpoint, inner, clientAddress));
    }
    ServiceAnswer reply;
    reply.streamed = true;
    reply.contentType = "text/event-stream";
    QByteArray wire;
    const QString key = QString::fromLatin1(proto::streamKey);
    for (const QJsonObject &message : messages) {
        const auto encoded = tarnwick::StreamDecoder::encodeMessage(
            QJsonDocument(message).toJson(QJsonDocument::Compact), key);
        if (!encoded)
            return serverError();
        wire += *encoded;
        reply.chunks.push_back(*encoded);
    }
    // Without a chunk size every message is one chunk; with one, chunks cut messages anywhere.
    const int chunkSize = std::max(0, field(inner, "chunkSize").toInt());
    if (chunkSize == 0)
        return reply;
    reply.chunks.clear();
    for (qsizetype offset = 0; offset < wire.size(); offset += chunkSize)
        reply.chunks.push_back(wire.mid(offset, chunkSize));
    return reply;
}

} // namespace apiserver
