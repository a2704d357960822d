#include "browser/viewers/viewers.h"

#include "browser/viewers/imageviewercontroller.h"
#include "browser/viewers/pdfreadercontroller.h"

#include "platform/log.h"

#include <memory>

namespace browser {

Viewers::Viewers(QThreadPool *pool)
    : m_pool(pool) {}

ui::ScreenController *Viewers::imageViewer(const QString &path) {
    return new ImageViewerController(path, m_pool);
}

ui::ScreenController *Viewers::pdfReader(const QString &path) {
    auto reader = std::make_unique<PdfReaderController>();
    if (!reader->open(path)) {
        platform::log(QStringLiteral("PDF reader: cannot open %1: %2").arg(path, reader->errorString()));
        return nullptr;
    }
    return reader.release();
}

} // namespace browser
