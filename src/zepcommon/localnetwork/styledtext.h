#pragma once

#include <QList>
#include <QString>

namespace localnetwork {

// A text in runs, some of them in the theme's accent colour (the screens' attributed labels). A
// run of "\n" is a line break.
struct TextRun {
    QString text;
    bool accent = false;
    bool operator==(const TextRun &other) const = default;
};
using StyledText = QList<TextRun>;

inline QString plainText(const StyledText &text) {
    QString plain;
    for (const TextRun &run : text)
        plain += run.text;
    return plain;
}

} // namespace localnetwork
