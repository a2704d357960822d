#pragma once

#include <QString>

// Text safety checks shared by every common screen. A null QString stands for an absent text.
struct StringUtils {
    // True when the text is present and not empty.
    static bool hasValue(const QString &text);
    // The text itself when it has a value, else the (non-null) empty text.
    static QString getSafeString(const QString &text);
};
