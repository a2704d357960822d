#pragma once

#include <QColor>
#include <QString>
#include <optional>

// Colours from hexadecimal texts, for the colours of generated QR codes.
struct QRColor {
    // "#" characters are removed and the rest read as hexadecimal digits: 3 (RGB), 4 (RGBA),
    // 6 (RRGGBB) or 8 (RRGGBBAA) digits. Any other length, or a character that is no hex digit,
    // logs "Invalid HEX: rgba" and gives opaque black. The optional stays for callers that treat
    // "no colour" specially; this implementation always returns a colour.
    static std::optional<QColor> colorWithRGBA(const QString &text);
};
