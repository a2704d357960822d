#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/rating/reviewservices.h"

#include <QString>

namespace rating {

// The page that hands the written review to the store: it shows the review between apostrophes,
// and Share copies the review to the clipboard and opens the store's review form for the app in
// the browser (the app's own store identifier when appID is empty). An address that cannot be
// opened is skipped. GUI thread only.
class ShareReviewController : public ui::ScreenController {
    Q_OBJECT
public:
    explicit ShareReviewController(ReviewServices services, QObject *parent = nullptr);

    QString appID() const { return m_appID; }
    void setAppID(const QString &appID) { m_appID = appID; }
    QString reviewText() const { return m_reviewText; }
    void setReviewText(const QString &text) { m_reviewText = text; }

    // The review label's text, set on load; empty before.
    QString reviewLabel() const { return m_reviewLabel; }
    // The review form's address.
    QUrl reviewUrl() const;

    void viewDidLoad() override;
    void crossButtonPressed() { dismiss(); }
    // True when the store's form opened.
    bool shareButtonPressed();

signals:
    void reviewLabelChanged();

private:
    ReviewServices m_services;
    QString m_appID;
    QString m_reviewText;
    QString m_reviewLabel;
};

} // namespace rating
