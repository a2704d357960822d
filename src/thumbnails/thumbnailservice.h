#pragma once

#include "thumbnails/freedesktopcache.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <map>
#include <mutex>

namespace thumbnails {

using RequestId = quint64;

// Visible cells are served before the ones scrolled towards.
enum class Priority { Prefetch = 0, Visible = 1 };

// Makes thumbnails for the app's views off the GUI thread.
//
// request() queues a file and returns at once. A worker of the service's own thread pool (at most
// one thread per core) takes the queued request of the highest priority, earliest first within a
// priority, and answers it from memory, else from the freedesktop cache (see FreedesktopCache),
// else by making the thumbnail (makeThumbnail) and storing it there. The image fits within size
// pixels on its long side and is never enlarged beyond the file's own picture.
//
// Threads: create the service, call request() and cancel() and receive its signals on one thread,
// the one the service lives on (the GUI thread in the app). Signals are always queued: they fire
// from that thread's event loop, never inside request(). Exactly one of ready or failed fires per
// request that is not cancelled. cancel() of a request that no worker has taken removes it, so it
// never runs; a cancelled request never delivers, even when its work had already started.
//
// Failure: failed fires when the file does not exist or no thumbnail can be made of it (unknown
// kind, damaged contents). A file that could not be made is remembered, in memory and as a marker
// in the cache's fail folder, until its size or modification time changes, so it is not decoded
// again on every request. Destroying the service drops queued requests and waits for running ones.
class ThumbnailService : public QObject {
    Q_OBJECT
public:
    // Makes a thumbnail of at most maxSide pixels; a null image when it cannot. Called on workers.
    using Generator = std::function<QImage(const QString &path, int maxSide)>;

    struct Options {
        int maxThreads = 0;             // 0: one per core; never more than the cores
        QString cacheRoot;              // the freedesktop cache; empty: FreedesktopCache::defaultRoot()
        Generator generator;            // empty: makeThumbnail
        qint64 memoryBudget = 32 << 20; // bytes of recent thumbnails kept in memory
    };

    explicit ThumbnailService(QObject *parent = nullptr);
    explicit ThumbnailService(Options options, QObject *parent = nullptr);
    ~ThumbnailService() override;

    // Queues a thumbnail of at most size pixels (sizes up to 1024 use the disk cache's classes,
    // larger ones are made every time). The id is never 0 and not reused by this service; the
    // signals give back path as passed here. A size of 0 or less fails.
    RequestId request(const QString &path, int size, Priority priority);
    // Unknown or already answered ids are ignored.
    void cancel(RequestId id);

signals:
    // image is never null.
    void ready(thumbnails::RequestId id, const QString &path, const QImage &image);
    void failed(thumbnails::RequestId id, const QString &path);

private:
    struct Job {
        RequestId id = 0;
        QString path;
        int size = 0;
    };
    struct Remembered {
        SourceFile version;
        QImage image;
    };
    // Queue order: higher priority first, then earlier requests.
    using QueueKey = std::pair<int, RequestId>;

    void runNext();
    QImage produce(const Job &job);
    QImage lookUp(const SourceFile &source, int side);
    QImage generate(const SourceFile &source, int size, int side);
    void rememberFailure(const SourceFile &source);
    void deliver(RequestId id, const QString &path, const QImage &image);

    Generator m_generator;
    FreedesktopCache m_disk;
    QThreadPool m_pool;
    RequestId m_nextId = 1;
    QSet<RequestId> m_live; // requested and neither delivered nor cancelled; owner thread only

    std::mutex m_mutex; // guards the members below, shared with the workers
    std::map<QueueKey, Job> m_queue;
    QHash<QString, SourceFile> m_failures; // by canonical path: the version that failed
    QCache<QString, Remembered> m_images;
};

} // namespace thumbnails
