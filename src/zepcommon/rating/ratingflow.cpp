#include "zepcommon/rating/ratingflow.h"

#include "zepcommon/rating/ratingpopupcontroller.h"

namespace rating {

RatingPopUpController *presentRatingPopUp(ui::ScreenController *from, const QString &appId,
                                          ReviewServices services) {
    if (!from)
        return nullptr;
    auto *popUp = new RatingPopUpController(std::move(services));
    popUp->setAppID(appId);
    from->present(popUp, ui::Presentation::fullScreen());
    return popUp;
}

} // namespace rating
