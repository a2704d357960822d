#pragma once

#include <QString>
#include <functional>

namespace platform {

// Writes one plain console line (standard error). Safe to call from any thread; lines from
// different threads never interleave.
void log(const QString &line);

// Tests can capture log lines; pass an empty function to restore console output.
void setLogSink(std::function<void(const QString &)> sink);

} // namespace platform
