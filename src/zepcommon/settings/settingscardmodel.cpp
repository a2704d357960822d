#include "zepcommon/settings/settingscardmodel.h"

#include "platform/notificationcenter.h"
#include "zepcommon/account/accountkeys.h"
#include "zepcommon/theme/zeputils.h"

namespace {
template <class F> void call(const F &handler, auto &&...arguments) {
    if (handler)
        handler(arguments...);
}
} // namespace

SettingsCardModel::SettingsCardModel(QList<SettingsRowData> rows, SettingsSession session,
                                     platform::NotificationCenter &center, QObject *parent)
    : QAbstractListModel(parent)
    , m_rows(std::move(rows))
    , m_session(std::move(session))
    , m_center(center) {
    const auto observe = [this](const char *name, bool valid) {
        m_observers.push_back(m_center.addObserver(
            QString::fromLatin1(name),
            [this, valid](const platform::Notification &) { sessionChanged(valid); }, this));
    };
    observe(account::notifications::signIn, true);
    observe(account::notifications::signInAfterQr, true);
    observe(account::notifications::signOut, false);
}

SettingsCardModel::~SettingsCardModel() {
    for (quint64 token : m_observers)
        m_center.removeObserver(token);
}

int SettingsCardModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SettingsCardModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SettingsRowData &row = m_rows[index.row()];
    const std::optional<RowType> type = row.rowType;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (type == RowType::SignUp)
            return m_session.valid() && m_session.email ? m_session.email() : signInTitle();
        return row.title.value_or(QString());
    case ImageNameRole:
        return row.img.value_or(QString());
    case TileColorRole:
        return row.tileColor();
    case ShowsSwitchRole:
        return type == RowType::SwitchBtn;
    case SwitchOnRole:
        return m_switchValue.value_or(false);
    case ShowsArrowRole:
        return type == RowType::SignUp;
    case ShowsDisclosureRole:
        return type == RowType::custom;
    default:
        return {};
    }
}

void SettingsCardModel::setSwitchValue(std::optional<bool> value) {
    m_switchValue = value;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(rowCount() - 1), {SwitchOnRole});
}

void SettingsCardModel::tapRow(int row) {
    if (row < 0 || row >= rowCount() || !m_rows[row].rowType)
        return;
    switch (*m_rows[row].rowType) {
    case RowType::custom:
        return call(m_handlers.customRowTapped, m_rows[row]);
    case RowType::writeReview:
        return call(m_handlers.writeReviewRowTapped);
    case RowType::Rating:
        return call(m_handlers.ratingRowTapped);
    case RowType::Share:
        return call(m_handlers.shareRowTapped);
    case RowType::ReportError:
        return call(m_handlers.contactUsRowTapped, ContactType::reportError);
    case RowType::RequestFeature:
        return call(m_handlers.contactUsRowTapped, ContactType::newFeature);
    case RowType::ContactUs:
        return call(m_handlers.contactUsRowTapped, ContactType::contactUs);
    case RowType::PrivacyPolicy:
        return call(m_handlers.privacyPolicyRowTapped);
    case RowType::TermsConditions:
        return call(m_handlers.termConditionsRowTapped);
    case RowType::FAQs:
        return call(m_handlers.FAQsRowTapped);
    case RowType::SignUp:
        return call(m_handlers.signUpRowTapped);
    case RowType::SwitchBtn:
        return;
    }
}

void SettingsCardModel::switchTapped(int row, bool isOn) {
    if (row < 0 || row >= rowCount())
        return;
    if (const ZEPUtils::SwitchHandler &handler = ZEPUtils::switchTappedHandler())
        handler(isOn, index(row));
}

void SettingsCardModel::sessionChanged(bool valid) {
    if (m_session.setValid)
        m_session.setValid(valid);
    beginResetModel();
    endResetModel();
}
