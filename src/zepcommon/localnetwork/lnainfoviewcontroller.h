#pragma once

#include "ui/screencontroller.h"

#include <QString>
#include <array>

class ZEPThemeManager;

namespace localnetwork {

// The page that shows, in four themed pictures with a line each, where local-network access is
// switched on. The theme is not owned and outlives the page. GUI thread only.
class LNAInfoViewController : public ui::ScreenController {
    Q_OBJECT
public:
    enum class Image { Home, Wifi, Lock, Settings };
    static constexpr int imageCount = 4;

    explicit LNAInfoViewController(ZEPThemeManager &theme, QObject *parent = nullptr);

    // The common bundle's picture names (base + theme suffix); empty before viewDidLoad.
    QString imageName(Image image) const { return m_images[size_t(image)]; }
    QString caption(Image image) const;

    void viewDidLoad() override;
    // The close button.
    void close() { dismiss(); }

signals:
    void imagesChanged();

private:
    ZEPThemeManager &m_theme;
    std::array<QString, imageCount> m_images;
};

} // namespace localnetwork
