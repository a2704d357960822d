#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace thumbnails {
class ThumbnailCache;
}

namespace transfer {

// Makes the thumbnail texts of the list reply ("data:image/png;base64,..."): images of the image
// extensions are decoded scaled to at most maxSide pixels on the long side and encoded as a compact
// PNG (see thumbnails::compactPng), through the cache when there is one;
// the icon groups and everything else get their icon. Icons are encoded once. Thread-safe.
class ListThumbnailer {
public:
    // Small enough that a folder of a few hundred photos lists in a few megabytes, large enough
    // for the page's cards on high-density screens.
    static constexpr int maxSide = 224;

    // Without a cache every thumbnail is made anew.
    explicit ListThumbnailer(thumbnails::ThumbnailCache *cache = nullptr)
        : m_cache(cache) {}

    // A thumbnail text for an image file; empty when it cannot be read or decoded.
    std::string imageThumbnail(const QString &path) const;
    // The icon text named "pdf", "mp4", "mp3", "zip" or "other"; empty when there is no such icon.
    const std::string &iconThumbnail(std::string_view iconName) const;

private:
    thumbnails::ThumbnailCache *m_cache;
};

// Which icon an extension shows ("other" for anything outside the icon groups), and whether its
// kind is the file kind.
std::string_view iconNameFor(std::string_view lowerExtension);

} // namespace transfer
