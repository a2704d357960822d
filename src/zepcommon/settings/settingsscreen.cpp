#include "zepcommon/settings/settingsscreen.h"

#include "platform/log.h"
#include "zepcommon/settings/settingslinks.h"

#include <QUrlQuery>

SettingsScreen::SettingsScreen(SettingsEnvironment environment, QObject *parent)
    : ScreenController(parent)
    , m_environment(std::move(environment)) {
    setTitle(tr("Settings"));
}

SettingsScreen::~SettingsScreen() = default;

void SettingsScreen::setDataArray(QList<SettingsSectionData> sections) {
    for (SettingsCardModel *card : m_cards)
        card->deleteLater();
    m_cards.clear();
    m_dataArray = std::move(sections);
    for (const SettingsSectionData &section : m_dataArray) {
        auto *card = new SettingsCardModel(section.rows.value_or(QList<SettingsRowData>{}),
                                           m_environment.session, m_environment.center, this);
        card->setSwitchValue(m_switchValue);
        const int sectionIndex = int(m_cards.size()) + 1;
        card->setHandlers({
            [this](const SettingsRowData &row) {
                if (m_environment.hooks.customRowTapped)
                    m_environment.hooks.customRowTapped(row);
            },
            [this](ContactType type) { openContactPage(type); },
            [this, sectionIndex] { share(sectionIndex); },
            [this] { openPrivacyPolicy(); },
            [this] { openTerms(); },
            [this] { signUp(); },
            [this] { writeReview(); },
            [this] { openFAQs(); },
            [this] { requestReview(); },
        });
        m_cards.push_back(card);
    }
    emit dataArrayChanged();
}

void SettingsScreen::setSwitchValue(std::optional<bool> value) {
    m_switchValue = value;
    for (SettingsCardModel *card : m_cards)
        card->setSwitchValue(value);
}

SettingsScreen::SectionKind SettingsScreen::sectionKind(int section) const {
    if (section <= 0)
        return SectionKind::Header;
    if (section >= sectionCount() - 1)
        return SectionKind::Version;
    return SectionKind::Card;
}

int SettingsScreen::sectionHeight(int section) const {
    switch (sectionKind(section)) {
    case SectionKind::Header:
        return headerHeight;
    case SectionKind::Version:
        return versionHeight;
    case SectionKind::Card:
        return m_cards[size_t(section - 1)]->cardHeight();
    }
    return 0;
}

SettingsCardModel *SettingsScreen::card(int section) const {
    if (sectionKind(section) != SectionKind::Card)
        return nullptr;
    return m_cards[size_t(section - 1)];
}

QString SettingsScreen::sectionTitle(int section) const {
    if (sectionKind(section) != SectionKind::Card)
        return {};
    return m_dataArray[section - 1].sectionTitle.value_or(QString());
}

QString SettingsScreen::versionText() const {
    return m_environment.displayName + QStringLiteral(" \n v") + m_environment.version;
}

bool SettingsScreen::hasHookFor(RowType type) const {
    switch (type) {
    case RowType::SignUp:
        return bool(m_environment.hooks.openAccount);
    case RowType::Rating:
        return bool(m_environment.hooks.requestReview);
    case RowType::custom:
        return bool(m_environment.hooks.customRowTapped);
    default:
        return true;
    }
}

void SettingsScreen::headerTapped() {
    callHook(m_environment.hooks.openCatalogue);
}

void SettingsScreen::openContactPage(ContactType) {
    // Every kind of contact lands on the same support form.
    open(settingslinks::contactPage());
}

void SettingsScreen::openFAQs() {
    open(settingslinks::faqsPage());
}

void SettingsScreen::openPrivacyPolicy() {
    open(settingslinks::privacyPolicyPage());
}

void SettingsScreen::openTerms() {
    open(settingslinks::termsPage());
}

void SettingsScreen::writeReview() {
    open(settingslinks::storePage(m_appId.value_or(QString()), true));
}

void SettingsScreen::share(int section) {
    const QUrl url = settingslinks::storePage(m_appId.value_or(QString()), false);
    if (url.isValid())
        emit shareRequested(url, section);
}

void SettingsScreen::mailLink(const QUrl &url) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), m_environment.displayName);
    query.addQueryItem(QStringLiteral("body"), url.toString(QUrl::FullyEncoded));
    QUrl mail(QStringLiteral("mailto:"));
    mail.setQuery(query);
    open(mail);
}

void SettingsScreen::signUp() {
    callHook(m_environment.hooks.openAccount);
}

void SettingsScreen::requestReview() {
    callHook(m_environment.hooks.requestReview);
}

void SettingsScreen::open(const QUrl &url) {
    if (!url.isValid() || !m_environment.openUrl)
        return;
    if (!m_environment.openUrl(url))
        platform::log(QStringLiteral("Settings: nothing opened %1").arg(url.toString()));
}

void SettingsScreen::callHook(const std::function<void(ui::ScreenController *)> &hook) {
    if (hook)
        hook(this);
}
