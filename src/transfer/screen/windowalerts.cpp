#include "transfer/screen/windowalerts.h"

#include "platform/mainqueue.h"
#include "ui/alertpresenter.h"
#include "ui/alertspec.h"
#include "zepcommon/theme/zeputils.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>

namespace transfer {

namespace {

QWidget *topMostWidget() {
    QWindow *window = ZEPUtils::getTopMostViewController();
    if (!window)
        return nullptr;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets)
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

// An alert box of this title and message that is still open.
bool isShowing(const QString &title, const QString &message) {
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible() && box->objectName() == WindowAlerts::boxObjectName() &&
            box->windowTitle() == title && box->text() == message)
            return true;
    }
    return false;
}

} // namespace

WindowAlerts::WindowAlerts(ParentLookup parent)
    : m_parent(parent ? std::move(parent) : ParentLookup(&topMostWidget)) {}

QString WindowAlerts::boxObjectName() {
    return QStringLiteral("deviceAlert");
}

void WindowAlerts::showAlert(const QString &title, const QString &message, const QString &buttonTitle) {
    const ParentLookup parentLookup = m_parent;
    platform::dispatchMain([parentLookup, title, message, buttonTitle] {
        // A batch of rejected uploads raises the same alert many times; one open box says it.
        if (isShowing(title, message))
            return;
        ui::AlertSpec alert;
        alert.title = title;
        alert.message = message;
        alert.icon = ui::AlertSpec::Icon::Warning;
        alert.addAction(buttonTitle);
        ui::AlertPresenter::present(alert, parentLookup())->setObjectName(boxObjectName());
    });
}

} // namespace transfer
