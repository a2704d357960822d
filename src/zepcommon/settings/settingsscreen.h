#pragma once

#include "ui/screencontroller.h"
#include "zepcommon/settings/settingscardmodel.h"
#include "zepcommon/settings/settingsrowdata.h"
#include "zepcommon/settings/settingssession.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

namespace platform {
class NotificationCenter;
}

// The ways the settings screen reaches other screens of the app. Each takes the settings screen
// to present from. An unset hook is left alone honestly: the screen has no clickable header
// without openCatalogue, and hosts leave the sign-in and rating rows out without openAccount and
// requestReview (SettingsScreen::hasHookFor says which).
struct SettingsHooks {
    // The sign-in hub, or the account screen while the session is valid.
    std::function<void(ui::ScreenController *from)> openAccount;
    // The rating pop-up.
    std::function<void(ui::ScreenController *from)> requestReview;
    // The catalogue of the maker's apps (from the header).
    std::function<void(ui::ScreenController *from)> openCatalogue;
    // A custom row was tapped (the screen's rowTappedHandler).
    std::function<void(const SettingsRowData &row)> customRowTapped;
};

// Opens a web or mail address outside the app; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl &url)>;

struct SettingsEnvironment {
    platform::NotificationCenter &center;
    SettingsSession session;
    UrlOpener openUrl;
    SettingsHooks hooks;
    // The app's name and version for the bottom band.
    QString displayName;
    QString version;
};

// The settings page: a header on top (300 high), one card per section of dataArray (rows × 45
// + 20 high), the app's name and version at the bottom (40 high), and an empty 20-high footer
// under every section — dataArray's count + 2 sections. Standard rows act here (web pages and
// the store through the opener, review and account through the hooks); custom rows go to
// rowTappedHandler. The host sets dataArray, appId and FAQsLink before the page loads.
// GUI thread only.
class SettingsScreen : public ui::ScreenController {
    Q_OBJECT
public:
    enum class SectionKind { Header, Card, Version };
    static constexpr int headerHeight = 300;
    static constexpr int versionHeight = 40;
    static constexpr int footerHeight = 20;

    explicit SettingsScreen(SettingsEnvironment environment, QObject *parent = nullptr);
    ~SettingsScreen() override;

    QList<SettingsSectionData> dataArray() const { return m_dataArray; }
    void setDataArray(QList<SettingsSectionData> sections);
    std::optional<QString> appId() const { return m_appId; }
    void setAppId(std::optional<QString> appId) { m_appId = std::move(appId); }
    std::optional<QString> FAQsLink() const { return m_FAQsLink; }
    void setFAQsLink(std::optional<QString> link) { m_FAQsLink = std::move(link); }
    // The shared value the switch rows show; absent counts as off.
    void setSwitchValue(std::optional<bool> value);

    int sectionCount() const { return int(m_cards.size()) + 2; }
    SectionKind sectionKind(int section) const;
    int sectionHeight(int section) const;
    // The card of a middle section; null for the header, the version and out of range.
    SettingsCardModel *card(int section) const;
    QString sectionTitle(int section) const;
    // Name, a space, a line break, a space, "v" and the version.
    QString versionText() const;

    bool hasHookFor(RowType type) const;
    bool isHeaderClickable() const { return bool(m_environment.hooks.openCatalogue); }

    void headerTapped();
    void openContactPage(ContactType type);
    void openFAQs();
    void openPrivacyPolicy();
    void openTerms();
    void writeReview();
    void share(int section);
    // A mail with the app's address in its body, through the opener.
    void mailLink(const QUrl &url);
    void signUp();
    void requestReview();
    void closeButtonTapped() { dismiss(); }

signals:
    void dataArrayChanged();
    // The view offers the address (copy, mail) next to the card of the section.
    void shareRequested(const QUrl &url, int section);

private:
    void open(const QUrl &url);
    void callHook(const std::function<void(ui::ScreenController *)> &hook);

    SettingsEnvironment m_environment;
    QList<SettingsSectionData> m_dataArray;
    std::vector<SettingsCardModel *> m_cards;
    std::optional<QString> m_appId;
    std::optional<QString> m_FAQsLink;
    std::optional<bool> m_switchValue;
};
