#pragma once

#include "ui/colorresolver.h"

// Named colours of the common bundle's catalogue (ZEPColors) for the current appearance.
class ZEPColorResolver final : public ui::ColorResolver {
public:
    std::optional<QColor> color(const QString &name) const override;
};
