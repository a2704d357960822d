#pragma once

#include "browser/filekind.h"
#include "thumbnails/thumbnailservice.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>

namespace browser {

// The PDF thumbnail of a cell: the first page at its natural size (one pixel per point) drawn on
// a white canvas of 100 × 300 pixels with the page's lower left corner at the canvas's lower left,
// so only that part of the page shows. A null image when the file is no PDF that opens or has no
// page. maxSide is not used: the canvas is always this size. Safe from any thread.
QImage pdfCellThumbnail(const QString &path, int maxSide);
inline constexpr int pdfCanvasWidth = 100;
inline constexpr int pdfCanvasHeight = 300;

// The pictures of the cells, keyed by path: a cell asks for the picture of the entry it paints
// now and gets it, or a null image and a request in flight. Images and video frames come from the
// app's thumbnail service, PDF canvases from a service of their own (its own cache folder, never the
// shared freedesktop one). changed(path) fires on the GUI thread when a picture arrives; the view
// repaints, and each cell paints the picture of the path it shows, so a reused cell never shows
// another entry's picture. Requests for paths that left the screen are cancelled (keepOnly).
// Neither service is owned; both live on the GUI thread and outlive this object.
class CellThumbnails : public QObject {
    Q_OBJECT
public:
    static constexpr int pictureSize = 128;

    CellThumbnails(thumbnails::ThumbnailService &pictures, thumbnails::ThumbnailService &pdfs,
                   QObject *parent = nullptr);
    ~CellThumbnails() override;

    // The picture of a file of these kinds (Image, Video, Pdf); null while it is being made, when
    // it cannot be made, and for other kinds. version tells contents apart that a path held at
    // different times (FileItemModel::VersionRole): a file replaced under the same name is made anew.
    // A request made for Prefetch (a tile about to scroll in) is made again as Visible when a
    // tile on screen asks for it.
    QImage thumbnail(const QString &path, FileKind kind, qint64 version = 0,
                     thumbnails::Priority priority = thumbnails::Priority::Visible);
    // Cancels the requests of every path not in the set.
    void keepOnly(const QSet<QString> &paths);
    // Forgets every picture and failure (the folder was listed again: files may have changed).
    void clear();
    int pendingCount() const { return int(m_pending.size()); }

signals:
    void changed(const QString &path);

private:
    void arrived(thumbnails::RequestId id, const QString &path, const QImage &image);
    void failed(thumbnails::RequestId id, const QString &path);

    struct Pending {
        thumbnails::ThumbnailService *service;
        thumbnails::RequestId id;
        qint64 version;
        thumbnails::Priority priority;
    };
    static QString key(const QString &path, qint64 version);
    thumbnails::ThumbnailService &m_pictures;
    thumbnails::ThumbnailService &m_pdfs;
    QHash<QString, Pending> m_pending;
    QCache<QString, QImage> m_images;
    QSet<QString> m_failed;
};

} // namespace browser
