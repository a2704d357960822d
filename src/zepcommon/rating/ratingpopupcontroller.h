#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/rating/reviewservices.h"

#include <QColor>
#include <QString>

namespace rating {

// The pop-up that asks whether the user loves or hates the app. Presented full screen over a
// dimmed window, with the pop-up view centred in it.
//
// Love it: the pop-up goes away at once and asks for the write-review page to be presented, with
// the same appID, from the screen that showed it. Hate it: the feedback message (sendFeedback);
// when nothing can be opened the pop-up stays and nothing else happens. The cross and a tap on
// the empty screen around the pop-up dismiss it. GUI thread only.
class RatingPopUpController : public ui::ScreenController {
    Q_OBJECT
public:
    explicit RatingPopUpController(ReviewServices services, QObject *parent = nullptr);

    QString appID() const { return m_appID; }
    void setAppID(const QString &appID) { m_appID = appID; }

    // The pop-up view's look, set on load: a border of 2 in the system orange, corners of 14 and
    // clipping to them. The background stays unset (the view's own) until a host sets one.
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &color);
    std::optional<QColor> backGroundColor() const { return m_backGroundColor; }
    void setBackGroundColor(const QColor &color);
    double borderWidth() const { return m_borderWidth; }
    double cornerRadius() const { return m_cornerRadius; }
    bool clipsToBounds() const { return m_clipsToBounds; }

    const ReviewServices &services() const { return m_services; }

    void viewDidLoad() override;

    void loveItButtonPressed();
    // The outcome, for the host's log and for tests.
    FeedbackOutcome hateItButtonPressed();
    void crossButtonPressed() { dismiss(); }
    void emptyScreenTapped() { dismiss(); }

signals:
    void appearanceChanged();

private:
    ReviewServices m_services;
    QString m_appID;
    QColor m_borderColor;
    std::optional<QColor> m_backGroundColor;
    double m_borderWidth = 0;
    double m_cornerRadius = 0;
    bool m_clipsToBounds = false;
};

} // namespace rating
