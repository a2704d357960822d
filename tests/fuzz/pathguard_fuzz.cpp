// The path guard. The property: nothing it accepts resolves outside the folder. A fixed folder
// holds a subfolder, files, and symlinks that lead outside (absolute, relative, to a parent,
// looping); the input is a requested folder and an entry name, and every file it lets open must lie
// inside the folder.
#include "transfer/pathguard.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

struct Tree {
    QString root;      // as given
    QString canonical; // symlinks resolved
};

void put(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1)
        std::abort();
}

const Tree &tree() {
    static const Tree made = [] {
        char pattern[] = "/tmp/tidewell-pathguard-fuzz-XXXXXX";
        if (!::mkdtemp(pattern))
            std::abort();
        const QString base = QString::fromLocal8Bit(pattern);
        const QString root = base + "/Documents";
        QDir().mkpath(root + "/sub/deeper");
        QDir().mkpath(base + "/outside");
        put(base + "/outside/secret");
        put(root + "/file.txt");
        put(root + "/sub/inner.png");
        put(root + "/%2e%2e");
        const std::pair<const char *, QString> links[] = {
            {"abs", base + "/outside"},
            {"up", QStringLiteral("..")},
            {"secret", base + "/outside/secret"},
            {"loop", QStringLiteral("loop")},
            {"sub/back", QStringLiteral("../../outside")},
            {"sub/fine", QStringLiteral("../file.txt")},
        };
        for (const auto &[name, target] : links)
            if (!QFile::link(target, root + "/" + name))
                std::abort();
        return Tree{root, QDir(root).canonicalPath()};
    }();
    return made;
}

bool inside(const QString &canonicalRoot, const QString &path) {
    return path == canonicalRoot || path.startsWith(canonicalRoot + '/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const Tree &t = tree();
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t split = input.find('\n');
    const std::string folder = input.substr(0, split);
    const std::string name = split == std::string::npos ? std::string() : input.substr(split + 1);

    if (transfer::isSafeEntryName(name) && (name.find('/') != std::string::npos || name == "." ||
                                            name == ".." || name.find('\0') != std::string::npos))
        std::abort();

    const std::optional<QString> relative = transfer::safeRelativeFolder(folder);
    if (relative) {
        const QString cleaned = QDir::cleanPath(t.root + '/' + *relative);
        if (!inside(t.root, cleaned))
            std::abort(); // the text alone already leaves the folder
        if (const auto resolved = transfer::resolveInside(t.root, cleaned);
            resolved && !inside(t.canonical, *resolved))
            std::abort();
    }

    // The raw input as a path below the root: whatever opens must be inside.
    for (const std::string &path :
         {folder, relative && transfer::isSafeEntryName(name) ? relative->toStdString() + "/" + name
                                                              : std::string()}) {
        if (path.empty())
            continue;
        const platform::UniqueFd fd = transfer::openInside(t.root, QString::fromStdString(path));
        if (!fd)
            continue;
        const QString proc = QStringLiteral("/proc/self/fd/%1").arg(fd.get());
        const QString opened = QFile::symLinkTarget(proc);
        if (!inside(t.canonical, opened))
            std::abort();
    }
    if (relative && transfer::isSafeEntryName(name) &&
        transfer::mayCreateInside(t.root, t.root + '/' + *relative, QString::fromStdString(name))) {
        const auto resolved = transfer::resolveInside(t.root, t.root + '/' + *relative);
        if (!resolved || !inside(t.canonical, *resolved))
            std::abort();
    }
    return 0;
}
