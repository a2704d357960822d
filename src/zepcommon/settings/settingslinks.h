#pragma once

#include <QString>
#include <QUrl>

// The web addresses the settings rows open: the product's support pages, the maker's privacy
// and terms pages, and the store's page of an app (its review form with writeReview).
namespace settingslinks {

inline constexpr const char *supportSite = "https://www.tidewell.app";
inline constexpr const char *makerSite = "https://apps.tidewell.app";
inline constexpr const char *storeSite = "https://apps.apple.com";
// The app's own store identifier, used when the screen is given none.
inline constexpr const char *ownStoreId = "1644713520";

QUrl contactPage();       // supportSite + "/support/?page_id=536"
QUrl faqsPage();          // supportSite + "/support/"
QUrl privacyPolicyPage(); // makerSite + "/data/privacy.html"
QUrl termsPage();         // makerSite + "/data/terms.html"
// storeSite + "/us/app/id" + the identifier (ownStoreId when empty), with "?action=write-review"
// for the review form; an invalid URL when the identifier is not a number.
QUrl storePage(const QString &appId, bool writeReview);

} // namespace settingslinks
