#include "zepcommon/theme/zepcolors.h"

#include "platform/log.h"
#include "zepcommon/theme/zeputils.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPalette>
#include <mutex>

namespace {

struct ColorAsset {
    QColor any;
    std::optional<QColor> dark;
};

QHash<QString, ColorAsset> loadCatalogue() {
    QHash<QString, ColorAsset> catalogue;
    QFile file(ZEPUtils::commonBundlePath(QStringLiteral("colors.json")));
    if (!file.open(QIODevice::ReadOnly)) {
        platform::log(QStringLiteral("Colour catalogue missing: %1").arg(file.fileName()));
        return catalogue;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        const QColor any(entry.value(QStringLiteral("any")).toString());
        if (!any.isValid())
            continue;
        ColorAsset asset{any, std::nullopt};
        const QColor dark(entry.value(QStringLiteral("dark")).toString());
        if (dark.isValid())
            asset.dark = dark;
        catalogue.insert(it.key(), asset);
    }
    return catalogue;
}

const QHash<QString, ColorAsset> &catalogue() {
    static const QHash<QString, ColorAsset> assets = loadCatalogue();
    return assets;
}

std::mutex overrideMutex;
std::optional<ZEPColors::Appearance> appearanceOverride;

} // namespace

std::optional<QColor> ZEPColors::themeColorWithName(const QString &name) {
    return themeColorWithName(name, currentAppearance());
}

std::optional<QColor> ZEPColors::themeColorWithName(const QString &name, Appearance appearance) {
    const auto it = catalogue().constFind(name);
    if (it == catalogue().constEnd())
        return std::nullopt;
    if (appearance == Appearance::Dark && it->dark)
        return *it->dark;
    return it->any;
}

ZEPColors::Appearance ZEPColors::currentAppearance() {
    {
        std::lock_guard lock(overrideMutex);
        if (appearanceOverride)
            return *appearanceOverride;
    }
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return Appearance::Light;
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightness() < 128 ? Appearance::Dark : Appearance::Light;
}

void ZEPColors::setAppearanceOverride(std::optional<Appearance> appearance) {
    std::lock_guard lock(overrideMutex);
    appearanceOverride = appearance;
}
