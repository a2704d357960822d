#pragma once

#include <QString>
#include <functional>
#include <string_view>

namespace platform {

// Writes one plain console line (standard error). Safe to call from any thread; lines from
// different threads never interleave.
void log(const QString &line);
// The same for text already in UTF-8: one or more lines separated by '\n', written as they are.
void logUtf8(std::string_view lines);

// Tests can capture log lines; pass an empty function to restore console output.
void setLogSink(std::function<void(const QString &)> sink);

} // namespace platform
