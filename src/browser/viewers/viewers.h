#pragma once

#include "browser/viewerfactory.h"

class QThreadPool;

namespace browser {

// The viewers the browser opens: the picture viewer (decoding on the given pool) and the PDF
// reader. Screens come back unowned; the host that shows them takes them. GUI thread only; the
// pool must outlive the screens.
class Viewers : public ViewerFactory {
public:
    // The pool defaults to the global one.
    explicit Viewers(QThreadPool *pool = nullptr);

    ui::ScreenController *imageViewer(const QString &path) override;
    // Logs a line naming the file and the reason when the document cannot be opened.
    ui::ScreenController *pdfReader(const QString &path) override;

private:
    QThreadPool *m_pool;
};

} // namespace browser
