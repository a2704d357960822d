#include "app/settingslauncher.h"

#include "zepcommon/settings/settingslinks.h"
#include "zepcommon/utility/remotevalues.h"

#include <QCoreApplication>
#include <QJsonValue>

namespace {

QString tr(const char *text) {
    return QCoreApplication::translate("SettingsLauncher", text);
}

SettingsRowData row(const char *title, const char *image, double red, double green, double blue,
                    RowType type) {
    return SettingsRowData(tr(title), QString::fromLatin1(image), QColor::fromRgbF(red, green, blue, 1), type,
                           false);
}

// A remote value as the text it is compared by: texts as they are, numbers and booleans written out.
QString remoteText(const QJsonValue &value) {
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble());
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return {};
}

} // namespace

QList<SettingsSectionData> SettingsLauncher::makeSettingsSections(const RemoteValues &remoteValues) {
    QList<SettingsRowData> account;
    const QString key = signInRemoteKey();
    if (remoteValues.isValueAvailable(key) &&
        remoteText(remoteValues.valueForKey(key)) == signInRemoteValue())
        account << row("Sign-in", "settings-signin", 0.5, 0.8, 0.5, RowType::SignUp);
    return {
        {tr("Account"), account},
        {tr("Support Us"),
         QList<SettingsRowData>{
             row("Write a Review", "settings-review", 0.98, 0.81, 0.16, RowType::writeReview),
             row("Rate Tidewell", "settings-rating", 0.93, 0.53, 0.18, RowType::Rating),
             row("Share Tidewell", "settings-share", 0.22, 0.83, 0.49, RowType::Share)}},
        {tr("Help"), QList<SettingsRowData>{row("FAQs", "settings-faqs", 0.65, 0.41, 0.74, RowType::FAQs)}},
        {tr("Contact"),
         QList<SettingsRowData>{
             row("Report an Error", "settings-error", 0.91, 0.37, 0.30, RowType::ReportError),
             row("Request a Feature", "settings-feature", 0.98, 0.18, 0.57, RowType::RequestFeature),
             row("Contact Us", "settings-contact", 0.25, 0.64, 0.89, RowType::ContactUs)}},
        {tr("Legal"),
         QList<SettingsRowData>{
             row("Privacy Policy", "settings-privacy", 0.65, 0.41, 0.74, RowType::PrivacyPolicy),
             row("Terms & Conditions", "settings-terms", 0.98, 0.18, 0.57, RowType::TermsConditions)}},
    };
}

SettingsScreen *SettingsLauncher::openSettings(ui::ScreenController *from, SettingsEnvironment environment,
                                               const RemoteValues &remoteValues) {
    if (!from)
        return nullptr;
    auto *screen = new SettingsScreen(std::move(environment));
    QList<SettingsSectionData> sections = makeSettingsSections(remoteValues);
    for (SettingsSectionData &section : sections) {
        if (section.rows)
            section.rows->removeIf([screen](const SettingsRowData &row) {
                return row.rowType && !screen->hasHookFor(*row.rowType);
            });
    }
    screen->setDataArray(std::move(sections));
    screen->setAppId(QString::fromLatin1(settingslinks::ownStoreId));
    screen->setFAQsLink(faqsLink());
    from->present(screen, ui::Presentation::sheet());
    return screen;
}
