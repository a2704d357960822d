#include "zepcommon/qr/qrcolor.h"

#include "platform/log.h"
#include "zepcommon/theme/stringutils.h"

namespace {

// All characters must be hex digits; a partial read would turn "FFGG" into a colour nobody asked for.
std::optional<quint32> scanHex(const QString &text) {
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    quint32 value = 0;
    for (QChar c : text) {
        const int digit = QStringLiteral("0123456789ABCDEF").indexOf(c);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<quint32>(digit);
    }
    return value;
}

float nibble(quint32 value, int index, int count) {
    return static_cast<float>((value >> (4 * (count - 1 - index))) & 0xF) / 15.0f;
}

float byteAt(quint32 value, int index, int count) {
    return static_cast<float>((value >> (8 * (count - 1 - index))) & 0xFF) / 255.0f;
}

} // namespace

std::optional<QColor> QRColor::colorWithRGBA(const QString &text) {
    const QString clean = StringUtils::getSafeString(text).remove(QLatin1Char('#')).toUpper();
    const std::optional<quint32> value = scanHex(clean);
    if (value) {
        switch (clean.size()) {
        case 3:
            return QColor::fromRgbF(nibble(*value, 0, 3), nibble(*value, 1, 3), nibble(*value, 2, 3), 1.0f);
        case 4:
            return QColor::fromRgbF(nibble(*value, 0, 4), nibble(*value, 1, 4), nibble(*value, 2, 4),
                                    nibble(*value, 3, 4));
        case 6:
            return QColor::fromRgbF(byteAt(*value, 0, 3), byteAt(*value, 1, 3), byteAt(*value, 2, 3), 1.0f);
        case 8:
            return QColor::fromRgbF(byteAt(*value, 0, 4), byteAt(*value, 1, 4), byteAt(*value, 2, 4),
                                    byteAt(*value, 3, 4));
        default:
            break;
        }
    }
    platform::log(QStringLiteral("Invalid HEX: rgba"));
    return QColor::fromRgbF(0, 0, 0, 1);
}
