#include "zepcommon/theme/zepthememanager.h"

#include "zepcommon/theme/zeputils.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace {

const QString kThemeColorBase = QStringLiteral("ZEPColorInAppWithoutDark-");
const QString kProgressTrackName = QStringLiteral("prgressBarTrackTintColor");

QImage renderSvg(const QString &path, const QSize &requested) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    const QSize size = requested.isValid() ? requested : renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

ZEPThemeManager::ZEPThemeManager(QObject *parent)
    : QObject(parent) {}

ZEPThemeManager &ZEPThemeManager::shared() {
    static ZEPThemeManager instance;
    return instance;
}

void ZEPThemeManager::applyTheme(ThemeColor theme) {
    m_currentTheme = theme;
    m_appLoadingBgColor = kThemeColorBase + rawValue(theme);
    m_appLoadingProgressBarTrackTintColor = kProgressTrackName;
    emit themeChanged();
}

void ZEPThemeManager::applyThemeForObjc(const QString &theme) {
    const ThemeColor chosen = theme == QLatin1String("orange") ? ThemeColor::Orange : ThemeColor::Blue;
    m_currentTheme = chosen;
    m_appLoadingBgColor = kThemeColorBase + rawValue(chosen);
    emit themeChanged();
}

QString ZEPThemeManager::themeSuffix() const {
    return ::themeSuffix(m_currentTheme);
}

QString ZEPThemeManager::themeColorInAllApp() const {
    return kThemeColorBase + themeSuffix();
}

QString ZEPThemeManager::lnaPermissionScreenImgInfoBtn() const {
    return QStringLiteral("info-") + themeSuffix();
}

QString ZEPThemeManager::imgHeaderCellName() const {
    return QStringLiteral("img-headerCell-") + themeSuffix();
}

QString ZEPThemeManager::imgInfoName() const {
    return QStringLiteral("info-") + themeSuffix();
}

QImage ZEPThemeManager::themedImage(const QString &baseName, const QSize &size) const {
    return bundleImage(baseName + themeSuffix(), size);
}

QImage ZEPThemeManager::imgSettingsClose() const {
    return themedImage(QStringLiteral("img-settingsClose-"));
}

QImage ZEPThemeManager::imgClose() const {
    return themedImage(QStringLiteral("img-close-"));
}

QImage ZEPThemeManager::imgBack() const {
    return themedImage(QStringLiteral("back-"));
}

QImage ZEPThemeManager::bundleImage(const QString &name, const QSize &size) {
    if (name.isEmpty())
        return {};
    const QString base = ZEPUtils::commonBundlePath(QStringLiteral("images/") + name);
    if (QFile::exists(base + QStringLiteral(".svg")))
        return renderSvg(base + QStringLiteral(".svg"), size);
    QImage image(base + QStringLiteral(".png"));
    if (!image.isNull() && size.isValid())
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}
