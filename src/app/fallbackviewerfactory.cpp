#include "app/fallbackviewerfactory.h"

#include "app/placeholderscreen.h"

#include <QDir>
#include <QFileInfo>

ui::ScreenController *FallbackViewerFactory::imageViewer(const QString &path) {
    return new PlaceholderScreen(
        QFileInfo(path).fileName(),
        QObject::tr("This version shows no pictures yet.\n\n%1").arg(QDir::toNativeSeparators(path)));
}

ui::ScreenController *FallbackViewerFactory::pdfReader(const QString &) {
    return nullptr;
}
