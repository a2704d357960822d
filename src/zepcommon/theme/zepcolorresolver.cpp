#include "zepcommon/theme/zepcolorresolver.h"

#include "zepcommon/theme/zepcolors.h"

std::optional<QColor> ZEPColorResolver::color(const QString &name) const {
    return ZEPColors::themeColorWithName(name);
}
