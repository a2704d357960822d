#include "zepcommon/rating/reviewservices.h"

#include "platform/log.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QSysInfo>
#include <QUuid>

namespace rating {

namespace {

// The freedesktop answer to "can this URL be opened": a default handler for its scheme.
bool schemeHasHandler(const QUrl &url) {
    const QString scheme = url.scheme();
    if (scheme.isEmpty())
        return false;
    if (scheme == QLatin1String("file"))
        return true;
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/") + scheme});
    if (!query.waitForStarted(3000)) {
        // Without xdg-utils only the schemes every desktop (or its portal) opens are assumed.
        return scheme == QLatin1String("https") || scheme == QLatin1String("http") ||
               scheme == QLatin1String("mailto");
    }
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return false;
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

// Like the phone's vendor identifier: the same for this app on this machine, telling nothing of
// the machine's own identifier.
QString vendorIdentifier() {
    const QByteArray machine = QSysInfo::machineUniqueId();
    if (machine.isEmpty())
        return {};
    const QUuid space = QUuid::fromString(QStringLiteral("{6f1e5a52-3b1c-4f0e-9a43-5d2a0c1b7e21}"));
    return QUuid::createUuidV5(space, machine + '/' + QCoreApplication::applicationName().toUtf8())
        .toString(QUuid::WithoutBraces)
        .toUpper();
}

} // namespace

FeedbackValues &ReviewServices::sharedFeedbackValues() {
    static FeedbackValues values;
    return values;
}

ReviewServices ReviewServices::desktop() {
    ReviewServices services;
    services.feedback = sharedFeedbackValues();
    services.device.displayName = QGuiApplication::applicationDisplayName();
    services.device.systemVersion = QSysInfo::prettyProductName();
    services.device.appVersion = QCoreApplication::applicationVersion();
    services.device.deviceId = vendorIdentifier();
    services.openUrl = [](const QUrl &url) {
        return QDesktopServices::openUrl(url);
    };
    services.canOpenUrl = schemeHasHandler;
    services.copyToClipboard = [](const QString &text) {
        if (QClipboard *clipboard = QGuiApplication::clipboard())
            clipboard->setText(text);
    };
    return services;
}

QString feedbackSubject(const QString &displayName) {
    if (displayName.isEmpty())
        return QStringLiteral("Support");
    return displayName + QStringLiteral(" | Support");
}

QString feedbackBody(const DeviceInformation &device) {
    return QStringLiteral("\n\n\n----------\n"
                          "Your device information is included to help the developer track your feedback\n") +
           QStringLiteral("OS:") + device.systemVersion + QStringLiteral("\nApp Version:") +
           device.appVersion + QStringLiteral("\nDevice ID: ") + device.deviceId + QStringLiteral("\n");
}

QUrl feedbackMailUrl(const QStringList &recipients, const QString &subject, const QString &body) {
    QByteArray encoded = "mailto:";
    for (qsizetype i = 0; i < recipients.size(); ++i) {
        if (i > 0)
            encoded += ',';
        encoded += QUrl::toPercentEncoding(recipients[i], "@");
    }
    encoded += "?subject=" + QUrl::toPercentEncoding(subject) + "&body=" + QUrl::toPercentEncoding(body);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

QUrl storeReviewUrl(const QString &storeOrigin, const QString &appId) {
    QString origin = storeOrigin;
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return QUrl(origin + QStringLiteral("/us/app/id") + QString::fromLatin1(QUrl::toPercentEncoding(appId)) +
                    QStringLiteral("?action=write-review"),
                QUrl::StrictMode);
}

FeedbackOutcome sendFeedback(const ReviewServices &services) {
    const auto canOpen = [&](const QUrl &url) {
        return url.isValid() && services.canOpenUrl && services.canOpenUrl(url);
    };
    const QUrl social(services.feedback.contactSocialScheme, QUrl::StrictMode);
    if (!services.feedback.contactSocialScheme.isEmpty() && canOpen(social)) {
        // The messaging app is there: its link is the way, opened or not.
        const QUrl link(services.feedback.contactSocialID, QUrl::StrictMode);
        if (link.isValid() && services.openUrl && services.openUrl(link))
            return FeedbackOutcome::MessagingOpened;
        platform::log(QStringLiteral("Feedback: the messaging link %1 did not open").arg(link.toString()));
        return FeedbackOutcome::Unavailable;
    }
    const QUrl mail =
        feedbackMailUrl(services.feedback.supportRecipients, feedbackSubject(services.device.displayName),
                        feedbackBody(services.device));
    if (!canOpen(QUrl(QStringLiteral("mailto:"))) || !services.openUrl || !services.openUrl(mail)) {
        platform::log(QStringLiteral("Feedback: no mail client to write to the support address"));
        return FeedbackOutcome::Unavailable;
    }
    return FeedbackOutcome::MailOpened;
}

} // namespace rating
