#pragma once

#include <QObject>

namespace localnetwork {

// Whether this device can reach a network at all (the permission screen's "Wi-Fi available"),
// and a signal when that may have changed. GUI thread only.
class Reachability : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isReachable() const = 0;

signals:
    void reachabilityChanged();
};

} // namespace localnetwork
