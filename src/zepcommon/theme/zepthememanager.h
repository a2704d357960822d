#pragma once

#include "zepcommon/theme/themecolor.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <optional>

// The host app's colour theme and the themed names built from it. Every themed picture or colour
// name is a base name followed by the theme suffix ("orange", "blue", or nothing when no theme
// is set). One process-wide instance (shared()) is used by the app; tests may create their own.
// GUI thread only.
class ZEPThemeManager : public QObject {
    Q_OBJECT
public:
    explicit ZEPThemeManager(QObject *parent = nullptr);

    static ZEPThemeManager &shared();

    std::optional<ThemeColor> currentTheme() const { return m_currentTheme; }
    // Colour asset names for the loading screen; unset until a theme is applied.
    std::optional<QString> appLoadingBgColor() const { return m_appLoadingBgColor; }
    std::optional<QString> appLoadingProgressBarTrackTintColor() const {
        return m_appLoadingProgressBarTrackTintColor;
    }

    // Sets the theme and both loading-screen colour names. Emits themeChanged.
    void applyTheme(ThemeColor theme);
    // For hosts that name the theme by text: exactly "orange" selects orange, any other text
    // blue. Sets the theme and the loading background name, leaves the track colour name as is.
    void applyThemeForObjc(const QString &theme);

    QString themeSuffix() const;
    QString themeColorInAllApp() const;
    QString themeColorName() const { return themeColorInAllApp(); }
    QString lnaPermissionScreenImgInfoBtn() const;
    QString imgHeaderCellName() const;
    QString imgInfoName() const;

    // The common bundle's picture named base + suffix (SVG rendered at its own size, or at
    // `size` when given); a null image when there is none.
    QImage themedImage(const QString &baseName, const QSize &size = {}) const;
    QImage imgSettingsClose() const;
    QImage imgClose() const;
    QImage imgBack() const;

    // Any common-bundle picture by its full name (no suffix added); null image when missing.
    static QImage bundleImage(const QString &name, const QSize &size = {});

signals:
    void themeChanged();

private:
    std::optional<ThemeColor> m_currentTheme;
    std::optional<QString> m_appLoadingBgColor;
    std::optional<QString> m_appLoadingProgressBarTrackTintColor;
};
