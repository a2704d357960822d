#pragma once

#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <mutex>
#include <vector>

class QObject;

namespace platform {

struct Notification {
    QString name;
    QVariantMap userInfo;
};

// Notifications by name with a user-info map, like the phone's notification centre.
// post() calls each observer of the name synchronously on the posting thread, unless the observer
// was added with a context object: then it is queued to the context's thread and dropped once the
// context is destroyed. Adding, removing and posting are safe from any thread.
class NotificationCenter {
public:
    using Observer = std::function<void(const Notification &)>;
    using Token = quint64;

    static NotificationCenter &defaultCenter();

    Token addObserver(const QString &name, Observer observer, QObject *context = nullptr);
    void removeObserver(Token token);
    void post(const QString &name, const QVariantMap &userInfo = {});

private:
    struct Entry {
        Token token;
        QString name;
        Observer observer;
        QPointer<QObject> context;
        bool hasContext;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_entries;
    Token m_nextToken = 1;
};

} // namespace platform
