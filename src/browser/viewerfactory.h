#pragma once

#include <QString>

namespace ui {
class ScreenController;
}

namespace browser {
// Makes the screens the browser opens; the browser pushes or presents what it gets.
class ViewerFactory {
public:
    virtual ~ViewerFactory() = default;
    // The image viewer for a picture file (presented full screen). Never null.
    virtual ui::ScreenController *imageViewer(const QString &path) = 0;
    // The PDF reader for a document (pushed on the browser's navigation stack); null when the
    // document cannot be opened (the browser then logs a line and opens nothing).
    virtual ui::ScreenController *pdfReader(const QString &path) = 0;
};
} // namespace browser
