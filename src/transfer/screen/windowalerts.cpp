#include "transfer/screen/windowalerts.h"

#include "platform/mainqueue.h"
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

} // namespace

WindowAlerts::WindowAlerts(ParentLookup parent)
    : m_parent(parent ? std::move(parent) : ParentLookup(&topMostWidget)) {}

QString WindowAlerts::boxObjectName() {
    return QStringLiteral("deviceAlert");
}

void WindowAlerts::showAlert(const QString &title, const QString &message, const QString &buttonTitle) {
    const ParentLookup parentLookup = m_parent;
    platform::dispatchMain([parentLookup, title, message, buttonTitle] {
        auto *box =
            new QMessageBox(QMessageBox::Warning, title, message, QMessageBox::NoButton, parentLookup());
        box->setObjectName(boxObjectName());
        box->addButton(buttonTitle, QMessageBox::AcceptRole);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}

} // namespace transfer
