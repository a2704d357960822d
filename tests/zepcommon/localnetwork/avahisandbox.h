#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <csignal>
#include <functional>

// The avahi-daemon of a test, inside the namespace avahi-sandbox.sh made (see there).
class AvahiDaemon {
public:
    static bool inSandbox() { return !qEnvironmentVariableIsEmpty("TIDEWELL_AVAHI_CONFIG"); }
    static QString skipReason() {
        return QStringLiteral("runs only inside avahi-sandbox.sh (ctest runs it so)");
    }

    ~AvahiDaemon() { stop(); }

    // True once the daemon reports its start-up complete.
    bool start() {
        m_process.setProgram(QStringLiteral("avahi-daemon"));
        m_process.setArguments({"--no-drop-root", "--no-chroot", "--no-rlimits", "--no-proc-title", "-f",
                                qEnvironmentVariable("TIDEWELL_AVAHI_CONFIG")});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        QByteArray output;
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(200);
            output += m_process.readAll();
            if (output.contains("Server startup complete"))
                return true;
        }
        return false;
    }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        resume();
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Freezes the daemon: it keeps its bus name and answers nothing.
    void pause() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(m_process.processId()), SIGCONT); }

private:
    QProcess m_process;
};

// What `avahi-browse -rpt TYPE` finds now, one parsable line per record.
inline QString avahiBrowse(const QString &type) {
    QProcess browse;
    browse.start(QStringLiteral("avahi-browse"), {"-rpt", type});
    browse.waitForFinished(20000);
    return QString::fromUtf8(browse.readAllStandardOutput());
}

// Runs the event loop until `done` holds or a generous limit passes; returns `done()`.
inline bool waitUntil(const std::function<bool()> &done, int limitMs = 20000) {
    QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(20);
    return done();
}
