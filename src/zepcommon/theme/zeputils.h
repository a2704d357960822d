#pragma once

#include <QModelIndex>
#include <QString>
#include <functional>

class QWindow;

// Small utilities shared by every common screen.
class ZEPUtils {
public:
    // Handler of settings switch rows: (is on, row index). Set by the host app; may be empty.
    using SwitchHandler = std::function<void(bool isOn, const QModelIndex &indexPath)>;

    // The common bundle: the Qt resource folder that holds every common picture, colour and
    // animation (":/ZEPCommon.bundle"). Registering the compiled-in resource happens on first use.
    static QString commonBundle();
    // A path inside the common bundle, e.g. commonBundlePath("colors.json").
    static QString commonBundlePath(const QString &relative);

    // The top-most visible window: starting at the application window (see setApplicationWindow)
    // or, without one, at the focused window's top-level ancestor or the first visible top-level
    // window, it follows visible windows whose transient parent is the current one (dialogs and
    // sheets opened over it) to the last one. nullptr when no window is visible. GUI thread only.
    static QWindow *getTopMostViewController();

    // The window the app delegate owns; getTopMostViewController starts from it when set.
    static void setApplicationWindow(QWindow *window);
    static QWindow *applicationWindow();

    static SwitchHandler &switchTappedHandler();
    static void setSwitchTappedHandler(SwitchHandler handler);
};
