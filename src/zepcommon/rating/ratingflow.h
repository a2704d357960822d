#pragma once

#include "zepcommon/rating/reviewservices.h"

#include <QString>

namespace ui {
class ScreenController;
}

namespace rating {

class RatingPopUpController;

// The entry point for hosts (the settings screen's Rating row, a review request): shows the rating
// pop-up full screen over the window of `from`, which must be a screen the window's ScreenHost
// handles. `appId` is the store identifier reviews go to; empty means the app's own
// (services.ownStoreId). The pop-up leads on to the write-review and share-review pages or to the
// feedback message. Returns the pop-up, owned by the host that shows it; null without `from`.
// The views come from registerViews (ratingviews.h), which the composing code calls once.
// GUI thread only.
RatingPopUpController *presentRatingPopUp(ui::ScreenController *from, const QString &appId = {},
                                          ReviewServices services = ReviewServices::desktop());

} // namespace rating
