#pragma once

#include <QJsonValue>
#include <QString>

// The remote values the common screens read, by short dotted keys, and the notification that
// says they were refreshed. Screens take one in their constructor; TarnwickRemoteValues reads
// Tarnwick's cache (through UtilityWrapper), tests hand in their own. Safe from any thread.
class RemoteValues {
public:
    virtual ~RemoteValues() = default;
    // The cached value, or undefined when there is none.
    virtual QJsonValue valueForKey(const QString &key) const = 0;
    // True when the key holds something other than an empty value (UtilityWrapper::isEmptyString).
    virtual bool isValueAvailable(const QString &key) const = 0;
    // Posted on the notification centre after each refresh.
    virtual QString updateNotificationName() const = 0;
};

// The values of Tarnwick's API client, read through the UtilityWrapper façade.
class TarnwickRemoteValues final : public RemoteValues {
public:
    QJsonValue valueForKey(const QString &key) const override;
    bool isValueAvailable(const QString &key) const override;
    QString updateNotificationName() const override;
};
