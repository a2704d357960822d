#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <optional>

// What a settings row does. The raw values are fixed: hosts build rows from them.
enum class RowType {
    custom = 0,
    writeReview = 1,
    Rating = 2,
    Share = 3,
    ReportError = 4,
    RequestFeature = 5,
    ContactUs = 6,
    PrivacyPolicy = 7,
    TermsConditions = 8,
    FAQs = 10,
    SignUp = 12,
    SwitchBtn = 13,
};

// The row type of a raw value; nullopt for a number that names none (9 and 11 among them).
std::optional<RowType> rowTypeFromRawValue(int rawValue);

// Which contact row was tapped.
enum class ContactType { reportError, newFeature, contactUs };

// One row of a settings card: its title, the name of its picture (drawn white on a tile of
// `backgroundColor`, blue when absent), what it does, and a switch value kept with the row.
struct SettingsRowData {
    std::optional<QString> title;
    std::optional<QString> img;
    std::optional<QColor> backgroundColor;
    std::optional<RowType> rowType;
    std::optional<bool> switchValue;

    SettingsRowData() = default;
    SettingsRowData(std::optional<QString> title, std::optional<QString> img,
                    std::optional<QColor> backgroundColor, std::optional<RowType> rowType,
                    std::optional<bool> switchValue);
    // The row type as its raw value; an unknown number leaves rowType absent.
    SettingsRowData(std::optional<QString> title, std::optional<QString> img,
                    std::optional<QColor> backgroundColor, int rowTypeRawValue,
                    std::optional<bool> switchValue);

    // The tile colour, blue when none was given.
    QColor tileColor() const;
};

// One card of the settings screen: a title and its rows.
struct SettingsSectionData {
    std::optional<QString> sectionTitle;
    std::optional<QList<SettingsRowData>> rows;
};
