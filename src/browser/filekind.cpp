#include "browser/filekind.h"

#include "store/folderlisting.h"

#include <QLocale>

namespace browser {

namespace {

QString lowerExtension(const QString &name) {
    return QString::fromStdString(store::lowerExtension(name.toStdString()));
}

const QChar middleDot(0x00B7);

} // namespace

FileKind fileKind(const QString &name, bool isDirectory) {
    if (isDirectory)
        return FileKind::Folder;
    const QString extension = lowerExtension(name);
    if (extension == QLatin1String("pdf"))
        return FileKind::Pdf;
    if (extension == QLatin1String("mp4") || extension == QLatin1String("mov") ||
        extension == QLatin1String("avi"))
        return FileKind::Video;
    if (extension == QLatin1String("mp3"))
        return FileKind::Audio;
    static const QStringList images = {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
                                       QStringLiteral("gif"), QStringLiteral("heic"), QStringLiteral("heif")};
    if (images.contains(extension))
        return FileKind::Image;
    return FileKind::Other;
}

QString typeLabel(const QString &name, bool isDirectory) {
    switch (fileKind(name, isDirectory)) {
    case FileKind::Folder:
        return {};
    case FileKind::Video:
        return QStringLiteral("MP4 ") + middleDot;
    default:
        break;
    }
    const QString extension = lowerExtension(name);
    if (extension.isEmpty())
        return {};
    return extension.toUpper() + QLatin1Char(' ') + middleDot;
}

QString sizeText(qint64 bytes) {
    const double size = double(bytes);
    const QString number = size >= 1048576.0 ? QStringLiteral("%1 MB").arg(size / 1048576.0, 0, 'f', 1)
                                             : QStringLiteral("%1 KB").arg(size / 1024.0, 0, 'f', 1);
    return number + QLatin1Char(' ') + middleDot;
}

QString entryCountText(int count) {
    if (count < 0)
        return QStringLiteral("Cannot be read");
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

QString gridDateText(const QDateTime &date) {
    return QLocale::c().toString(date.toLocalTime(), QStringLiteral("d MMM yyyy"));
}

QString listDateText(const QDateTime &date) {
    return QLocale::c().toString(date.toLocalTime(), QStringLiteral("d MMM yyyy, HH:mm"));
}

} // namespace browser
