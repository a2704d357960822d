#pragma once

#include "browser/viewerfactory.h"

#include <QObject>

// The viewers the app composes until the image viewer and the PDF reader join it: a picture opens
// as a page naming the file and saying where it is, a PDF opens nothing (the browser logs a line).
class FallbackViewerFactory : public browser::ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &path) override;
    ui::ScreenController *pdfReader(const QString &path) override;
};
