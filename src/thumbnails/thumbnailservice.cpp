#include "thumbnails/thumbnailservice.h"

#include "thumbnails/generator.h"

#include <QThread>

#include <algorithm>

namespace thumbnails {
namespace {

QImage fitted(const QImage &image, int size) {
    if (image.isNull() || (image.width() <= size && image.height() <= size))
        return image;
    return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString memoryKey(const SourceFile &source, int side) {
    return QString::number(side) + ':' + source.path;
}

} // namespace

ThumbnailService::ThumbnailService(QObject *parent)
    : ThumbnailService(Options(), parent) {}

ThumbnailService::ThumbnailService(Options options, QObject *parent)
    : QObject(parent)
    , m_generator(options.generator ? std::move(options.generator) : Generator(&makeThumbnail))
    , m_disk(options.cacheRoot.isEmpty() ? FreedesktopCache::defaultRoot() : options.cacheRoot)
    , m_images(std::max<qint64>(options.memoryBudget / 1024, 1)) {
    const int cores = std::max(QThread::idealThreadCount(), 1);
    m_pool.setMaxThreadCount(options.maxThreads > 0 ? std::min(options.maxThreads, cores) : cores);
}

ThumbnailService::~ThumbnailService() {
    {
        std::lock_guard lock(m_mutex);
        m_queue.clear();
    }
    // Running jobs touch this object; their queued deliveries die with it.
    m_pool.waitForDone();
}

RequestId ThumbnailService::request(const QString &path, int size, Priority priority) {
    const RequestId id = m_nextId++;
    m_live.insert(id);
    {
        std::lock_guard lock(m_mutex);
        m_queue.emplace(QueueKey(-int(priority), id), Job{id, path, size});
    }
    // Each start lets one worker take the best queued job when it runs, not necessarily this one.
    m_pool.start([this] { runNext(); });
    return id;
}

void ThumbnailService::cancel(RequestId id) {
    if (!m_live.remove(id))
        return;
    std::lock_guard lock(m_mutex);
    for (const Priority priority : {Priority::Visible, Priority::Prefetch}) {
        if (m_queue.erase(QueueKey(-int(priority), id)))
            break;
    }
}

void ThumbnailService::runNext() {
    Job job;
    {
        std::lock_guard lock(m_mutex);
        if (m_queue.empty())
            return;
        job = std::move(m_queue.begin()->second);
        m_queue.erase(m_queue.begin());
    }
    const QImage image = job.size > 0 ? produce(job) : QImage();
    QMetaObject::invokeMethod(
        this, [this, id = job.id, path = job.path, image] { deliver(id, path, image); },
        Qt::QueuedConnection);
}

QImage ThumbnailService::produce(const Job &job) {
    const std::optional<SourceFile> source = SourceFile::examine(job.path);
    if (!source)
        return {};
    // Above the largest size class nothing is stored on disk; the request's own size is made.
    const std::optional<int> side = FreedesktopCache::classSide(job.size);
    {
        std::lock_guard lock(m_mutex);
        if (m_failures.value(source->path) == *source)
            return {};
    }
    const QImage found = lookUp(*source, side.value_or(job.size));
    if (!found.isNull())
        return fitted(found, job.size);
    if (side && m_disk.hasFailure(*source)) {
        rememberFailure(*source);
        return {};
    }
    return fitted(generate(*source, job.size, side.value_or(job.size)), job.size);
}

QImage ThumbnailService::lookUp(const SourceFile &source, int side) {
    const QString key = memoryKey(source, side);
    {
        std::lock_guard lock(m_mutex);
        if (const Remembered *remembered = m_images.object(key); remembered && remembered->version == source)
            return remembered->image;
    }
    const QImage stored = m_disk.find(source, side);
    if (stored.isNull())
        return {};
    std::lock_guard lock(m_mutex);
    m_images.insert(key, new Remembered{source, stored}, std::max<qint64>(stored.sizeInBytes() / 1024, 1));
    return stored;
}

QImage ThumbnailService::generate(const SourceFile &source, int size, int side) {
    const QImage made = m_generator(source.path, side);
    if (made.isNull()) {
        rememberFailure(source);
        if (FreedesktopCache::classSide(size))
            m_disk.storeFailure(source);
        return {};
    }
    // The disk cache only saves work: when it cannot be written the thumbnail is still answered.
    if (FreedesktopCache::classSide(size))
        m_disk.store(source, size, made);
    std::lock_guard lock(m_mutex);
    m_images.insert(memoryKey(source, side), new Remembered{source, made},
                    std::max<qint64>(made.sizeInBytes() / 1024, 1));
    return made;
}

void ThumbnailService::rememberFailure(const SourceFile &source) {
    std::lock_guard lock(m_mutex);
    m_failures.insert(source.path, source);
}

void ThumbnailService::deliver(RequestId id, const QString &path, const QImage &image) {
    if (!m_live.remove(id))
        return;
    if (image.isNull())
        emit failed(id, path);
    else
        emit ready(id, path, image);
}

} // namespace thumbnails
