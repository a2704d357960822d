#include "zepcommon/account/screens/accountform.h"

#include "ui/colorresolver.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/theme/zepthememanager.h"

#include <QRegularExpression>

namespace account {

bool isValidEmail(const QString &email) {
    static const QRegularExpression pattern(
        QStringLiteral("\\A(?:[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,})\\z"));
    return pattern.match(email).hasMatch();
}

bool isLongEnoughPassword(const QString &password) {
    return password.toUcs4().size() >= 8;
}

QString eyeImageName(bool revealed) {
    return revealed ? QStringLiteral("img-passwordUnhide") : QStringLiteral("img-passwordHide");
}

AccountForm::AccountForm(const AccountEnvironment &environment, QString actionTitle, QObject *parent)
    : ui::ScreenController(parent)
    , m_environment(environment)
    , m_actionTitle(std::move(actionTitle)) {}

std::optional<QColor> AccountForm::themeColor() const {
    return m_environment.colors.color(m_environment.theme.themeColorName());
}

std::optional<QColor> AccountForm::backgroundColor() const {
    return m_environment.colors.color(QStringLiteral("ZEPBGColor"));
}

std::optional<QColor> AccountForm::placeholderColor() const {
    return m_environment.colors.color(QStringLiteral("placeholderTextColor"));
}

bool AccountForm::textFieldShouldReturn() {
    emit resignFirstResponderRequested();
    return true;
}

void AccountForm::closeFlow() {
    emit closeFlowRequested();
}

void AccountForm::startSpinner() {
    m_running = true;
    emit changed();
}

void AccountForm::stopSpinner() {
    m_running = false;
    emit changed();
}

void AccountForm::alert(const QString &title, const QString &message, std::function<void()> onOk) {
    ui::AlertSpec spec;
    spec.title = title;
    spec.message = message;
    spec.addAction(QString::fromLatin1(texts::ok), ui::AlertSpec::Style::Default,
                   [self = QPointer<AccountForm>(this), onOk = std::move(onOk)](const QStringList &) {
                       // The alert does not block: the screen may be gone when OK is chosen.
                       if (self && onOk)
                           onOk();
                   });
    showAlert(spec);
}

AccountNavigationController::AccountNavigationController(ui::ScreenController *root, QObject *parent)
    : ui::NavigationController(root, parent) {
    if (root)
        follow(root);
    connect(this, &NavigationController::pushed, this, &AccountNavigationController::follow);
}

void AccountNavigationController::follow(ui::ScreenController *screen) {
    auto *form = qobject_cast<AccountForm *>(screen);
    if (!form)
        return;
    form->setNavigationController(this);
    connect(form, &AccountForm::closeFlowRequested, this, &ScreenController::dismiss, Qt::UniqueConnection);
}

} // namespace account
