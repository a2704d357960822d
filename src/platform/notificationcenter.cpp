#include "platform/notificationcenter.h"

#include <QMetaObject>
#include <QObject>
#include <algorithm>

namespace platform {

NotificationCenter &NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString &name, Observer observer,
                                                          QObject *context) {
    std::lock_guard lock(m_mutex);
    const Token token = m_nextToken++;
    m_entries.push_back(Entry{token, name, std::move(observer), context, context != nullptr});
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_entries, [token](const Entry &entry) { return entry.token == token; });
}

void NotificationCenter::post(const QString &name, const QVariantMap &userInfo) {
    // Observers run outside the lock so that they may add or remove observers themselves.
    std::vector<Entry> targets;
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_entries,
                      [](const Entry &entry) { return entry.hasContext && entry.context.isNull(); });
        for (const Entry &entry : m_entries)
            if (entry.name == name)
                targets.push_back(entry);
    }
    const Notification notification{name, userInfo};
    for (const Entry &entry : targets) {
        if (!entry.hasContext) {
            entry.observer(notification);
            continue;
        }
        QObject *context = entry.context.data();
        if (!context)
            continue;
        QPointer<QObject> guard(context);
        QMetaObject::invokeMethod(
            context,
            [guard, observer = entry.observer, notification] {
                if (guard)
                    observer(notification);
            },
            Qt::QueuedConnection);
    }
}

} // namespace platform
