#pragma once

#include "tarnwick/apiclient.h"

#include <QByteArray>
#include <QPointer>
#include <QThread>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace tarnwick::detail {

// A thread of its own with a QNetworkAccessManager. Every callback runs on that thread.
// Destroying the worker drops transfers still running (their callbacks never run) and joins
// the thread; it must not be destroyed from its own thread.
class NetworkWorker {
public:
    NetworkWorker();
    ~NetworkWorker();

    // Runs the function on the worker thread.
    void run(std::function<void()> function);
    // Sends the body; finished gets the reply (deleted after it returns).
    void send(const QNetworkRequest &request, const QByteArray &body,
              std::function<void(QNetworkReply *)> finished);
    // Sends the body and decodes the answer as a stream of messages; the reply becomes the
    // current stream, which cancelStream() aborts.
    void stream(const QNetworkRequest &request, const QByteArray &body, const QString &streamKey,
                Completion onMessage, StreamEnd onEnd);
    void cancelStream();

    static ApiError transportError(QNetworkReply *reply);

private:
    QNetworkReply *start(const QNetworkRequest &request, const QByteArray &body);

    QThread m_thread;
    QObject *m_context = nullptr;               // lives on m_thread
    QNetworkAccessManager *m_network = nullptr; // child of m_context, made on first use
    QPointer<QNetworkReply> m_currentStream;    // touched on m_thread only
};

} // namespace tarnwick::detail
