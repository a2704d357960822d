#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace ui {

// Resolves a named colour asset for the current appearance. Controllers take one in their
// constructor instead of reading a theme catalogue themselves; nullopt means no such colour, and
// the caller keeps its own default.
class ColorResolver {
public:
    virtual ~ColorResolver() = default;
    virtual std::optional<QColor> color(const QString &name) const = 0;
};

} // namespace ui
