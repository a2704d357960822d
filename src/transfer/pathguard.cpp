#include "transfer/pathguard.h"

#include <QFile>
#include <QStringList>

#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace transfer {
namespace {

bool containsEncodedSeparator(std::string_view name)
{
    for (size_t i = 0; i + 2 < name.size(); ++i) {
        if (name[i] != '%')
            continue;
        const char a = name[i + 1];
        const char b = char(name[i + 2] | 0x20);
        if ((a == '2' && b == 'f') || (a == '5' && b == 'c'))
            return true;
    }
    return false;
}

std::optional<QString> canonical(const QString &path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(QFile::encodeName(path).constData(), nullptr),
                                                         &std::free);
    if (!resolved)
        return std::nullopt;
    return QFile::decodeName(resolved.get());
}

} // namespace

bool isSafeEntryName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.size() > 255)
        return false;
    for (const char c : name)
        if (c == '/' || c == '\\' || (unsigned char)c < 0x20 || c == 0x7f)
            return false;
    return !containsEncodedSeparator(name);
}

std::optional<QString> safeRelativeFolder(std::string_view folder)
{
    QStringList parts;
    size_t start = 0;
    while (start <= folder.size()) {
        size_t end = folder.find('/', start);
        if (end == std::string_view::npos)
            end = folder.size();
        const std::string_view part = folder.substr(start, end - start);
        if (!part.empty()) {
            if (!isSafeEntryName(part))
                return std::nullopt;
            parts << QString::fromUtf8(part.data(), qsizetype(part.size()));
        }
        start = end + 1;
    }
    return parts.join('/');
}

std::optional<QString> resolveInside(const QString &root, const QString &path)
{
    const std::optional<QString> canonicalRoot = canonical(root);
    const std::optional<QString> canonicalPath = canonical(path);
    if (!canonicalRoot || !canonicalPath)
        return std::nullopt;
    if (*canonicalPath == *canonicalRoot || canonicalPath->startsWith(*canonicalRoot + '/'))
        return canonicalPath;
    return std::nullopt;
}

bool mayCreateInside(const QString &root, const QString &folder, const QString &name)
{
    if (!resolveInside(root, folder))
        return false;
    const QString target = folder + '/' + name;
    struct stat info {};
    if (::lstat(QFile::encodeName(target).constData(), &info) != 0)
        return true; // nothing there yet
    return !S_ISLNK(info.st_mode) || resolveInside(root, target).has_value();
}

} // namespace transfer
