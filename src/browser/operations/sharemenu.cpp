#include "browser/operations/sharemenu.h"

#include "platform/log.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QMimeDatabase>

namespace browser {

namespace {

QString tr(const char *text) {
    return QCoreApplication::translate("ShareMenu", text);
}

QString titleFor(const QMimeType &type) {
    if (!type.isValid() || type.isDefault())
        return {};
    const QString name = type.name();
    if (name.startsWith(QLatin1String("image/")))
        return tr("Share Picture");
    if (name.startsWith(QLatin1String("video/")))
        return tr("Share Video");
    if (type.inherits(QStringLiteral("application/pdf")))
        return tr("Share PDF Document");
    return tr("Share File");
}

} // namespace

ShareMenu shareMenuFor(const QUrl &file) {
    const QString path = file.toLocalFile();
    const QFileInfo info(path);
    ShareMenu menu;
    if (!info.isDir())
        menu.title = titleFor(QMimeDatabase().mimeTypeForFile(info));
    const QString name = info.fileName();
    menu.entries.push_back({ShareMenu::Action::Open, tr("Open with Default Application"),
                            tr("Open %1 with the default application").arg(name)});
    menu.entries.push_back({ShareMenu::Action::ShowInFolder, tr("Show in File Manager"),
                            tr("Show %1 in the file manager").arg(name)});
    menu.entries.push_back({ShareMenu::Action::Copy, tr("Copy"), tr("Copy %1 to the clipboard").arg(name)});
    if (!info.isDir())
        menu.entries.push_back(
            {ShareMenu::Action::Mail, tr("Send by E-Mail…"), tr("Send %1 by e-mail").arg(name)});
    return menu;
}

std::unique_ptr<QMimeData> fileClipboardData(const QUrl &file) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls({file});
    const QByteArray encoded = file.toEncoded();
    data->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + encoded);
    data->setData(QStringLiteral("application/x-kde-cutselection"), "0");
    data->setText(file.toLocalFile());
    return data;
}

bool runShareAction(ShareMenu::Action action, const QUrl &file, ShareLauncher &launcher) {
    bool started = false;
    switch (action) {
    case ShareMenu::Action::Open:
        started = launcher.openWithDefault(file);
        break;
    case ShareMenu::Action::ShowInFolder:
        started = launcher.showInFileManager(file);
        break;
    case ShareMenu::Action::Copy:
        started = launcher.setClipboard(fileClipboardData(file));
        break;
    case ShareMenu::Action::Mail:
        started = launcher.mail(file);
        break;
    }
    if (!started)
        platform::log(QStringLiteral("Could not share %1").arg(file.toLocalFile()));
    return started;
}

} // namespace browser
