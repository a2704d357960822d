#include "zepcommon/theme/stringutils.h"

bool StringUtils::hasValue(const QString &text) {
    return !text.isEmpty();
}

QString StringUtils::getSafeString(const QString &text) {
    return hasValue(text) ? text : QStringLiteral("");
}
