#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <optional>

// Keeps the screen awake while the app runs: asks the desktop's screen saver over D-Bus
// (org.freedesktop.ScreenSaver, Inhibit) not to blank or lock, and releases the request
// (UnInhibit) when destroyed. Where no session bus or no screen-saver service exists, a log line
// says so and nothing else happens.
//
// The request is asynchronous: inhibit() returns at once and finished() fires when the answer
// arrives (at once, with false, when there is no bus). GUI thread only.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    static const QString serviceName; // "org.freedesktop.ScreenSaver"
    static const QString objectPath;  // "/org/freedesktop/ScreenSaver"
    static const QString interfaceName;

    explicit ScreenSaverInhibitor(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject *parent = nullptr);
    ~ScreenSaverInhibitor() override;

    void inhibit(const QString &applicationName, const QString &reason);
    // The cookie the screen saver gave, while the request holds.
    std::optional<uint> cookie() const { return m_cookie; }

signals:
    void finished(bool inhibited);

private:
    QDBusConnection m_bus;
    std::optional<uint> m_cookie;
};
