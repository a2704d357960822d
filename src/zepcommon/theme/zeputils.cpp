#include "zepcommon/theme/zeputils.h"

#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>

// Q_INIT_RESOURCE must be called from the global namespace.
static void initCommonResources() {
    Q_INIT_RESOURCE(zepcommon);
}

namespace {

QPointer<QWindow> &applicationWindowStorage() {
    static QPointer<QWindow> window;
    return window;
}

QWindow *startWindow() {
    if (QWindow *window = applicationWindowStorage(); window && window->isVisible())
        return window;
    if (QWindow *focus = QGuiApplication::focusWindow()) {
        while (focus->transientParent())
            focus = focus->transientParent();
        return focus;
    }
    const auto windows = QGuiApplication::topLevelWindows();
    for (QWindow *window : windows) {
        if (window->isVisible() && !window->transientParent())
            return window;
    }
    return nullptr;
}

// The last visible window opened over the given one, or nullptr.
QWindow *presentedWindow(QWindow *window) {
    QWindow *found = nullptr;
    const auto windows = QGuiApplication::topLevelWindows();
    for (QWindow *candidate : windows) {
        if (candidate->transientParent() == window && candidate->isVisible())
            found = candidate;
    }
    return found;
}

} // namespace

QString ZEPUtils::commonBundle() {
    static const bool registered = [] {
        initCommonResources();
        return true;
    }();
    Q_UNUSED(registered);
    return QStringLiteral(":/ZEPCommon.bundle");
}

QString ZEPUtils::commonBundlePath(const QString &relative) {
    return commonBundle() + QLatin1Char('/') + relative;
}

QWindow *ZEPUtils::getTopMostViewController() {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    QWindow *current = startWindow();
    // A window cannot be its own transient ancestor, so this chain ends.
    while (current) {
        QWindow *next = presentedWindow(current);
        if (!next)
            break;
        current = next;
    }
    return current;
}

void ZEPUtils::setApplicationWindow(QWindow *window) {
    applicationWindowStorage() = window;
}

QWindow *ZEPUtils::applicationWindow() {
    return applicationWindowStorage();
}

ZEPUtils::SwitchHandler &ZEPUtils::switchTappedHandler() {
    static SwitchHandler handler;
    return handler;
}

void ZEPUtils::setSwitchTappedHandler(SwitchHandler handler) {
    switchTappedHandler() = std::move(handler);
}
