#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace transfer {

// Makes the thumbnail texts of the list reply ("data:image/png;base64,..."): images of the image
// extensions are decoded scaled to at most maxSide pixels on the long side and encoded as PNG;
// the icon groups and everything else get their icon. Icons are encoded once. Thread-safe.
class ListThumbnailer {
public:
    static constexpr int maxSide = 256;

    // A thumbnail text for an image file; empty when it cannot be read or decoded.
    std::string imageThumbnail(const QString &path) const;
    // The icon text named "pdf", "mp4", "mp3", "zip" or "other"; empty when there is no such icon.
    const std::string &iconThumbnail(std::string_view iconName) const;
};

// Which icon an extension shows ("other" for anything outside the icon groups), and whether its
// kind is the file kind.
std::string_view iconNameFor(std::string_view lowerExtension);

} // namespace transfer
