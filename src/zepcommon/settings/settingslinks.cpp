#include "zepcommon/settings/settingslinks.h"

namespace settingslinks {

namespace {
QUrl page(const char *site, const char *path) {
    return QUrl(QString::fromLatin1(site) + QString::fromLatin1(path), QUrl::StrictMode);
}
} // namespace

QUrl contactPage() {
    return page(supportSite, "/support/?page_id=536");
}
QUrl faqsPage() {
    return page(supportSite, "/support/");
}
QUrl privacyPolicyPage() {
    return page(makerSite, "/data/privacy.html");
}
QUrl termsPage() {
    return page(makerSite, "/data/terms.html");
}

QUrl storePage(const QString &appId, bool writeReview) {
    const QString id = appId.isEmpty() ? QString::fromLatin1(ownStoreId) : appId;
    bool numeric = false;
    id.toULongLong(&numeric);
    if (!numeric)
        return {};
    QString address = QString::fromLatin1(storeSite) + QStringLiteral("/us/app/id") + id;
    if (writeReview)
        address += QStringLiteral("?action=write-review");
    return QUrl(address, QUrl::StrictMode);
}

} // namespace settingslinks
