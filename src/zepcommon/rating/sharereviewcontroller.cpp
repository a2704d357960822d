#include "zepcommon/rating/sharereviewcontroller.h"

#include "platform/log.h"

namespace rating {

ShareReviewController::ShareReviewController(ReviewServices services, QObject *parent)
    : ScreenController(parent)
    , m_services(std::move(services)) {
    setTitle(tr("Share Your Review"));
}

QUrl ShareReviewController::reviewUrl() const {
    return storeReviewUrl(m_services.storeOrigin, m_appID.isEmpty() ? m_services.ownStoreId : m_appID);
}

void ShareReviewController::viewDidLoad() {
    m_reviewLabel = QLatin1Char('\'') + m_reviewText + QLatin1Char('\'');
    emit reviewLabelChanged();
}

bool ShareReviewController::shareButtonPressed() {
    if (m_services.copyToClipboard)
        m_services.copyToClipboard(m_reviewText);
    const QUrl url = reviewUrl();
    if (!url.isValid() || !m_services.openUrl || !m_services.openUrl(url)) {
        platform::log(QStringLiteral("Review: the store's page %1 did not open").arg(url.toString()));
        return false;
    }
    return true;
}

} // namespace rating
