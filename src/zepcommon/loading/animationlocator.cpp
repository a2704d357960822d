#include "zepcommon/loading/animationlocator.h"

#include "platform/log.h"
#include "zepcommon/theme/zeputils.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QStringList AnimationLocator::defaultSearchPaths() {
    QStringList paths{QStringLiteral(":/animations"), QStringLiteral(":"),
                      ZEPUtils::commonBundlePath(QStringLiteral("animations"))};
    if (QCoreApplication::instance())
        paths << QCoreApplication::applicationDirPath() + QStringLiteral("/animations");
    return paths;
}

AnimationLocator::AnimationLocator(QStringList searchPaths)
    : m_searchPaths(std::move(searchPaths)) {}

std::optional<QString> AnimationLocator::find(const QString &name) const {
    // A name is a file name, never a path out of the search folders.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name == "..")
        return std::nullopt;
    for (const QString &folder : m_searchPaths) {
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".json");
        if (QFileInfo(path).isFile())
            return path;
    }
    return std::nullopt;
}

bool AnimationLocator::read(const QString &path,
                            const std::function<bool(const QByteArray &bytes)> &consume) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::log(QStringLiteral("Cannot read animation %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.size() > 0) {
        if (uchar *mapped = file.map(0, file.size())) {
            const bool accepted = consume(QByteArray::fromRawData(reinterpret_cast<const char *>(mapped),
                                                                  static_cast<qsizetype>(file.size())));
            file.unmap(mapped);
            return accepted;
        }
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        platform::log(QStringLiteral("Cannot read animation %1: %2").arg(path, file.errorString()));
        return false;
    }
    return consume(bytes);
}
