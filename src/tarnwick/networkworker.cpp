#include "networkworker.h"

#include "tarnwick/protocol.h"
#include "tarnwick/streamdecoder.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <memory>

namespace tarnwick::detail {

NetworkWorker::NetworkWorker() {
    m_thread.setObjectName(QStringLiteral("tarnwick-network"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

NetworkWorker::~NetworkWorker() {
    // Deleting the context on its own thread deletes the manager and its replies there.
    QMetaObject::invokeMethod(
        m_context, [context = m_context] { delete context; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void NetworkWorker::run(std::function<void()> function) {
    QMetaObject::invokeMethod(m_context, std::move(function), Qt::QueuedConnection);
}

QNetworkReply *NetworkWorker::start(const QNetworkRequest &request, const QByteArray &body) {
    if (!m_network)
        m_network = new QNetworkAccessManager(m_context);
    return m_network->sendCustomRequest(request, protocol::httpMethod, body);
}

void NetworkWorker::send(const QNetworkRequest &request, const QByteArray &body,
                         std::function<void(QNetworkReply *)> finished) {
    run([this, request, body, finished = std::move(finished)] {
        QNetworkReply *reply = start(request, body);
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, finished] {
            finished(reply);
            reply->deleteLater();
        });
    });
}

namespace {

bool isErrorStatus(QNetworkReply *reply) {
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400;
}

void deliver(const std::vector<StreamMessage> &messages, const Completion &onMessage) {
    for (const StreamMessage &message : messages)
        onMessage(message.error ? QJsonValue(QJsonValue::Undefined) : message.value, message.error);
}

} // namespace

void NetworkWorker::stream(const QNetworkRequest &request, const QByteArray &body, const QString &streamKey,
                           Completion onMessage, StreamEnd onEnd) {
    run([this, request, body, streamKey, onMessage = std::move(onMessage), onEnd = std::move(onEnd)] {
        QNetworkReply *reply = start(request, body);
        m_currentStream = reply;
        // Each stream keeps its own decoder and callbacks, so a second stream never receives the
        // messages of the first.
        auto decoder = std::make_shared<StreamDecoder>(streamKey);
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, decoder, onMessage] {
            if (!isErrorStatus(reply))
                deliver(decoder->feed(reply->readAll()), onMessage);
        });
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, decoder, onMessage, onEnd] {
            if (reply->error() != QNetworkReply::NoError) {
                onEnd(false, transportError(reply));
            } else {
                deliver(decoder->feed(reply->readAll()), onMessage);
                deliver(decoder->finish(), onMessage);
                onEnd(true, std::nullopt);
            }
            reply->deleteLater();
        });
    });
}

void NetworkWorker::cancelStream() {
    run([this] {
        if (m_currentStream)
            m_currentStream->abort();
    });
}

ApiError NetworkWorker::transportError(QNetworkReply *reply) {
    return {QString::fromLatin1(protocol::networkErrorDomain), int(reply->error()), reply->errorString()};
}

} // namespace tarnwick::detail
