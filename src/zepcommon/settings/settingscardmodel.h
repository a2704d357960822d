#pragma once

#include "zepcommon/settings/settingsrowdata.h"
#include "zepcommon/settings/settingssession.h"

#include <QAbstractListModel>
#include <functional>
#include <optional>
#include <vector>

namespace platform {
class NotificationCenter;
}

// What a card's rows do when tapped; an unset closure does nothing.
struct SettingsCardHandlers {
    std::function<void(const SettingsRowData &row)> customRowTapped;
    std::function<void(ContactType type)> contactUsRowTapped;
    std::function<void()> shareRowTapped;
    std::function<void()> privacyPolicyRowTapped;
    std::function<void()> termConditionsRowTapped;
    std::function<void()> signUpRowTapped;
    std::function<void()> writeReviewRowTapped;
    std::function<void()> FAQsRowTapped;
    std::function<void()> ratingRowTapped;
};

// One settings card: the rows of one section, 45 high each, and what tapping them does.
//
// The sign-in row's title is the signed-in e-mail while the session is valid, else "Sign-in".
// The card follows "User_SignIn_App" and "User_SignIn_App_After_QR" (the session becomes valid)
// and "User_Sign_Out" (it becomes invalid): each marks the session, then reloads the rows
// (modelReset) on the card's thread, whichever thread posted. GUI thread only otherwise.
class SettingsCardModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int rowHeight = 45;
    static constexpr int verticalPadding = 20;

    enum Role {
        ImageNameRole = Qt::UserRole + 1, // QString: the row's picture
        TileColorRole,                    // QColor: the icon tile (blue when the row gives none)
        ShowsSwitchRole,                  // bool: switch rows
        SwitchOnRole,                     // bool: the shared switch value (absent counts as off)
        ShowsArrowRole,                   // bool: the sign-in row's arrow
        ShowsDisclosureRole,              // bool: custom rows
    };

    SettingsCardModel(QList<SettingsRowData> rows, SettingsSession session,
                      platform::NotificationCenter &center, QObject *parent = nullptr);
    ~SettingsCardModel() override;

    static QString signInTitle() { return QStringLiteral("Sign-in"); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    const QList<SettingsRowData> &rows() const { return m_rows; }
    // rows × 45 + 20.
    int cardHeight() const { return rowCount() * rowHeight + verticalPadding; }

    void setHandlers(SettingsCardHandlers handlers) { m_handlers = std::move(handlers); }
    void setSwitchValue(std::optional<bool> value);
    std::optional<bool> switchValue() const { return m_switchValue; }

    // A tap on a row's body, by its row type; switch rows and rows without a type do nothing.
    void tapRow(int row);
    // The row's switch was flipped: ZEPUtils::switchTappedHandler gets the new state and the row's
    // index (nothing when unset).
    void switchTapped(int row, bool isOn);

private:
    void sessionChanged(bool valid);

    QList<SettingsRowData> m_rows;
    SettingsSession m_session;
    platform::NotificationCenter &m_center;
    std::vector<quint64> m_observers;
    SettingsCardHandlers m_handlers;
    std::optional<bool> m_switchValue;
};
