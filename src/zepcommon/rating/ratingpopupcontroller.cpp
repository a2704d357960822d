#include "zepcommon/rating/ratingpopupcontroller.h"

#include "zepcommon/rating/cosmossettings.h"
#include "zepcommon/rating/writereviewcontroller.h"

namespace rating {

RatingPopUpController::RatingPopUpController(ReviewServices services, QObject *parent)
    : ScreenController(parent)
    , m_services(std::move(services))
    , m_borderColor(cosmosOrange()) {
    setTitle(tr("Rate Us"));
}

void RatingPopUpController::setBorderColor(const QColor &color) {
    m_borderColor = color;
    emit appearanceChanged();
}

void RatingPopUpController::setBackGroundColor(const QColor &color) {
    m_backGroundColor = color;
    emit appearanceChanged();
}

void RatingPopUpController::viewDidLoad() {
    // The system orange, whatever the app's theme.
    m_borderColor = cosmosOrange();
    m_borderWidth = 2;
    m_cornerRadius = 14;
    m_clipsToBounds = true;
    emit appearanceChanged();
}

void RatingPopUpController::loveItButtonPressed() {
    // The pop-up is gone at once (there is no animation to wait for), then the next page rises
    // from the host that showed it.
    dismiss();
    auto *writeReview = new WriteReviewController(m_services);
    writeReview->setAppID(m_appID);
    present(writeReview, ui::Presentation::sheet());
}

FeedbackOutcome RatingPopUpController::hateItButtonPressed() {
    return sendFeedback(m_services);
}

} // namespace rating
