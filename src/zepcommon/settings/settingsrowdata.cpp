#include "zepcommon/settings/settingsrowdata.h"

std::optional<RowType> rowTypeFromRawValue(int rawValue) {
    switch (rawValue) {
    case int(RowType::custom):
    case int(RowType::writeReview):
    case int(RowType::Rating):
    case int(RowType::Share):
    case int(RowType::ReportError):
    case int(RowType::RequestFeature):
    case int(RowType::ContactUs):
    case int(RowType::PrivacyPolicy):
    case int(RowType::TermsConditions):
    case int(RowType::FAQs):
    case int(RowType::SignUp):
    case int(RowType::SwitchBtn):
        return RowType(rawValue);
    default:
        return std::nullopt;
    }
}

SettingsRowData::SettingsRowData(std::optional<QString> title, std::optional<QString> img,
                                 std::optional<QColor> backgroundColor, std::optional<RowType> rowType,
                                 std::optional<bool> switchValue)
    : title(std::move(title))
    , img(std::move(img))
    , backgroundColor(std::move(backgroundColor))
    , rowType(rowType)
    , switchValue(switchValue) {}

SettingsRowData::SettingsRowData(std::optional<QString> title, std::optional<QString> img,
                                 std::optional<QColor> backgroundColor, int rowTypeRawValue,
                                 std::optional<bool> switchValue)
    : SettingsRowData(std::move(title), std::move(img), std::move(backgroundColor),
                      rowTypeFromRawValue(rowTypeRawValue), switchValue) {}

QColor SettingsRowData::tileColor() const {
    return backgroundColor.value_or(QColor(Qt::blue));
}
