#pragma once

#include <QColor>
#include <QString>
#include <optional>

// Named colours of the common bundle. The class-level names are asset names, not colours;
// themeColorWithName resolves a name to a colour for the light or dark appearance.
//
// The catalogue is ":/ZEPCommon.bundle/colors.json": an object of asset name → {"any": colour,
// "dark": colour}, where "dark" is optional and colours are "#RRGGBB" or "#AARRGGBB".
class ZEPColors {
public:
    enum class Appearance { Light, Dark };

    static QString background() { return QStringLiteral("ZEPBGColor"); }
    static QString cellBackground() { return QStringLiteral("ZEPCellColor"); }
    static QString cellSeperator() { return QStringLiteral("ZEPCellSeperatorColor"); }
    static QString cellText() { return QStringLiteral("ZEPCellTextColor"); }
    static QString sectionHeaderText() { return QStringLiteral("ZEPSectionHeaderTextColor"); }
    static QString titleText() { return QStringLiteral("ZEPTitleColor"); }

    // The colour asset of that name for the current appearance; nullopt when there is no such
    // asset (callers then keep their own default).
    static std::optional<QColor> themeColorWithName(const QString &name);
    static std::optional<QColor> themeColorWithName(const QString &name, Appearance appearance);

    // The current appearance: the override when one is set, else dark when the application
    // palette's window colour is dark, else light (also without a GUI application).
    static Appearance currentAppearance();
    static void setAppearanceOverride(std::optional<Appearance> appearance);
};
