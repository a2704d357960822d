#include "browser/operations/desktopsharelauncher.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

namespace browser {

bool DesktopShareLauncher::openWithDefault(const QUrl &file) {
    return QDesktopServices::openUrl(file);
}

bool DesktopShareLauncher::showInFileManager(const QUrl &file) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << QStringList{file.toString()} << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).path()));
}

bool DesktopShareLauncher::setClipboard(std::unique_ptr<QMimeData> data) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setMimeData(data.release()); // the clipboard takes it
    return true;
}

bool DesktopShareLauncher::mail(const QUrl &file) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, {QStringLiteral("--attach"), file.toLocalFile()});
}

} // namespace browser
