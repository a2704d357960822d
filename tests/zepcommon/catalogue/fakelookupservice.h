#pragma once

// A store lookup service on a loopback port: answers /lookup?id=N from a table, or holds the
// request open until release() when the id is in `held`. Counts requests in flight.

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

class FakeLookupService : public QObject {
public:
    FakeLookupService() {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            qFatal("FakeLookupService: cannot listen on loopback");
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRead(socket); });
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }

    // id → body answered with 200 (a missing id gets 404); ids in `held` wait for release().
    QHash<QString, QByteArray> answers;
    QSet<QString> held;
    // path → bytes served as they are (pictures).
    QHash<QString, QByteArray> files;
    int requests = 0;
    int inFlight = 0;
    int maxInFlight = 0;

    void release() {
        const auto waiting = m_waiting;
        m_waiting.clear();
        for (const auto &[socket, id] : waiting)
            if (socket)
                answer(socket, id);
    }

private:
    void onRead(QTcpSocket *socket) {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QUrl target(QString::fromLatin1(buffer.split(' ').value(1)));
        buffer.clear();
        ++requests;
        if (files.contains(target.path())) {
            reply(socket, 200, files.value(target.path()));
            return;
        }
        ++inFlight;
        maxInFlight = std::max(maxInFlight, inFlight);
        const QString id = QUrlQuery(target).queryItemValue(QStringLiteral("id"));
        if (held.contains(id))
            m_waiting.append({QPointer<QTcpSocket>(socket), id});
        else
            answer(socket, id);
    }

    void answer(QTcpSocket *socket, const QString &id) {
        --inFlight;
        if (answers.contains(id))
            reply(socket, 200, answers.value(id));
        else
            reply(socket, 404, "{}");
    }

    static void reply(QTcpSocket *socket, int status, const QByteArray &body) {
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: keep-alive\r\n\r\n" + body);
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<std::pair<QPointer<QTcpSocket>, QString>> m_waiting;
};
