#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace rating {

// The feedback values the host app sets once at start: the messaging app's URL scheme (whose
// openability means the app is installed), the link opened in that case, and the support mail
// recipients.
struct FeedbackValues {
    QString contactSocialScheme;
    QString contactSocialID;
    QStringList supportRecipients;
};

// What the review pages and the feedback message are sent with; the device information goes
// into the feedback mail.
struct DeviceInformation {
    QString displayName; // the app's display name; empty when it has none
    QString systemVersion;
    QString appVersion;
    QString deviceId; // stable for this app on this machine
};

// The outside world of the rating and review screens, handed in so that tests replace it.
// desktop() opens URLs through QDesktopServices, asks xdg-mime whether a scheme has a handler,
// and copies to the application clipboard. GUI thread only.
struct ReviewServices {
    FeedbackValues feedback;
    DeviceInformation device;
    // The store's web origin and this app's own store identifier (used when no appID is given).
    QString storeOrigin = QStringLiteral("https://apps.apple.com");
    QString ownStoreId;
    // Opens a URL outside the app; false when nothing opened it.
    std::function<bool(const QUrl &url)> openUrl;
    // Whether some application handles URLs of the URL's scheme.
    std::function<bool(const QUrl &url)> canOpenUrl;
    std::function<void(const QString &text)> copyToClipboard;

    // The desktop's services with the process-wide feedback values and this machine's details.
    static ReviewServices desktop();
    // The process-wide feedback values desktop() starts from; the host sets them at start.
    static FeedbackValues &sharedFeedbackValues();
};

// "<app> | Support", or "Support" without a display name.
QString feedbackSubject(const QString &displayName);
// The plain-text body of the feedback mail: room to write, a rule, and the device information.
QString feedbackBody(const DeviceInformation &device);
// mailto: the recipients with the subject and body, every part percent-encoded.
QUrl feedbackMailUrl(const QStringList &recipients, const QString &subject, const QString &body);
// The store's review form for the app: origin + "/us/app/id" + id + "?action=write-review".
QUrl storeReviewUrl(const QString &storeOrigin, const QString &appId);

// What the hate-it button did.
enum class FeedbackOutcome { MessagingOpened, MailOpened, Unavailable };

// The feedback message: the messaging link when its scheme opens, else a mail to the support
// recipients through the desktop's mail client; Unavailable (and nothing shown) when neither is
// possible.
FeedbackOutcome sendFeedback(const ReviewServices &services);

} // namespace rating
