#pragma once

#include <QString>

namespace testsupport {

// The temporary folder that stands in for the user's home during a test binary's run.
// XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and TIDEWELL_DOCUMENTS point inside it.
QString sandboxRoot();

// Writes bytes to a file, creating parent folders; fails the current test when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

} // namespace testsupport
