#include "browser/operations/filename.h"

#include <QCoreApplication>
#include <QFile>

namespace browser {

namespace {
QString tr(const char *text) {
    return QCoreApplication::translate("FileName", text);
}
} // namespace

std::optional<QString> fileNameProblem(const QString &name) {
    if (name.isEmpty())
        return tr("Enter a name.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return tr("\"%1\" is reserved by the system. Choose another name.").arg(name);
    if (name.contains(QLatin1Char('/')))
        return tr("A name cannot contain a slash (/).");
    if (name.contains(QChar(0)))
        return tr("A name cannot contain a NUL character.");
    // NAME_MAX on Linux file systems, counted in the bytes the name takes on disk.
    if (QFile::encodeName(name).size() > 255)
        return tr("The name is too long: at most 255 bytes are allowed.");
    return std::nullopt;
}

} // namespace browser
