#include "browser/viewers/viewerviews.h"

#include "browser/viewers/imageviewercontroller.h"
#include "browser/viewers/imageviewerview.h"
#include "browser/viewers/pdfreadercontroller.h"
#include "browser/viewers/pdfreaderview.h"
#include "ui/viewregistry.h"

namespace browser {

void registerViewerViews(ui::ViewRegistry &views) {
    views.add<ImageViewerController>(
        [](ImageViewerController *controller) -> QWidget * { return new ImageViewerView(controller); });
    views.add<PdfReaderController>(
        [](PdfReaderController *controller) -> QWidget * { return new PdfReaderView(controller); });
}

} // namespace browser
