#include "thumbnails/videoframe.h"

#include "platform/log.h"
#include "platform/modules.h"
#include "thumbnails/videoframemodule.h"

#include <string>

namespace thumbnails {

QImage decodeVideoFrame(const QString &path, int maxSide) {
    // Loaded once, by the first caller; without the module no video has a frame, as if FFmpeg
    // could decode none of them, and the reason is logged once.
    static const auto decode = [] {
        std::string error;
        const auto entry = reinterpret_cast<videoframemodule::Entry>(
            platform::moduleSymbol(videoframemodule::fileName, videoframemodule::entryPoint, &error));
        if (!entry)
            platform::log("Video thumbnails are off: " + QString::fromStdString(error));
        return entry;
    }();
    QImage frame;
    if (decode)
        decode(path, maxSide, &frame);
    return frame;
}

} // namespace thumbnails
