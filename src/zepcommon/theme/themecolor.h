#pragma once

#include <QString>
#include <optional>

// The two colour themes a host app can pick. The raw value is the suffix appended to themed
// picture and colour names ("info-" becomes "info-orange").
enum class ThemeColor { Orange, Blue };

inline QString rawValue(ThemeColor theme) {
    return theme == ThemeColor::Orange ? QStringLiteral("orange") : QStringLiteral("blue");
}

// The suffix for an optional theme: its raw value, or the empty text when no theme is set.
inline QString themeSuffix(std::optional<ThemeColor> theme) {
    return theme ? rawValue(*theme) : QString();
}
