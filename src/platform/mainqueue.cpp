#include "platform/mainqueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>

namespace platform {

void dispatchMain(std::function<void()> function) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        function();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(function), Qt::QueuedConnection);
}

void dispatchMainAfter(int milliseconds, std::function<void()> function) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        function();
        return;
    }
    dispatchMain([milliseconds, function = std::move(function)]() mutable {
        QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(function));
    });
}

} // namespace platform
