#include "store/folderlisting.h"

#include "platform/fileattributes.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace store {
namespace {

// From how many entries a listing reads attributes on several threads.
constexpr size_t parallelListingThreshold = 2048;

qint64 toMs(const struct statx_timestamp &ts) {
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

// Names are bytes on Linux; ASCII is used as it is, anything else as Qt decodes file names.
std::string utf8Name(const char *name) {
    const std::string_view bytes(name);
    for (const char c : bytes)
        if ((unsigned char)c >= 0x80)
            return QFile::decodeName(name).toStdString();
    return std::string(bytes);
}

void readEntry(int dirFd, const char *name, const QByteArray &folder, const ListOptions &options,
               FolderEntry &entry) {
    const unsigned mask = STATX_BASIC_STATS | (options.creationDates ? STATX_BTIME : 0);
    struct statx info {};
    if (::statx(dirFd, name, 0, mask, &info) != 0 &&
        ::statx(dirFd, name, AT_SYMLINK_NOFOLLOW, mask, &info) != 0)
        return;
    entry.attributesRead = true;
    entry.isDirectory = S_ISDIR(info.stx_mode);
    entry.size = qint64(info.stx_size);
    entry.modifiedMs = toMs(info.stx_mtime);
    if (!options.creationDates)
        return;
    const QDateTime recorded = platform::recordedCreationDate(folder + '/' + name, true);
    entry.createdMs = recorded.isValid()              ? recorded.toMSecsSinceEpoch()
                      : (info.stx_mask & STATX_BTIME) ? toMs(info.stx_btime)
                                                      : entry.modifiedMs;
}

// The entries of a large folder, examined while the folder is still being read: the reading
// thread hands out batches of names in the folder's order, and every thread (itself included,
// once the names are all read) takes the next batch not yet examined. A folder too small to be
// worth a thread is read and examined by the caller alone.
class ListingBatches {
public:
    static constexpr size_t batchSize = 256;

    ListingBatches(int dirFd, const QByteArray &folder, const ListOptions &options)
        : m_dirFd(dirFd)
        , m_folder(folder)
        , m_options(options) {}

    ~ListingBatches() { finishReading(); }

    // Called by the reading thread as names come.
    void add(const char *name) {
        m_filling.emplace_back();
        m_filling.back().name = name; // decoded when examined, on whichever thread
        if (m_filling.size() < batchSize)
            return;
        publish();
        if (m_helpers.empty() && m_batches.size() * batchSize >= parallelListingThreshold)
            startHelpers();
    }

    // The last names, then the caller's share of the work; answers every entry in order.
    std::vector<FolderEntry> finish() {
        publish();
        finishReading();
        std::vector<FolderEntry> entries;
        size_t count = 0;
        for (const auto &batch : m_batches)
            count += batch.size();
        entries.reserve(count);
        for (auto &batch : m_batches)
            std::move(batch.begin(), batch.end(), std::back_inserter(entries));
        return entries;
    }

private:
    void publish() {
        if (m_filling.empty())
            return;
        {
            std::lock_guard lock(m_mutex);
            m_batches.push_back(std::move(m_filling));
        }
        m_filling.clear();
        m_ready.notify_one();
    }

    void startHelpers() {
        const size_t helpers = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4) - 1;
        for (size_t t = 0; t < helpers; ++t) {
            try {
                m_helpers.emplace_back([this] { examine(); });
            } catch (const std::system_error &) {
                break; // no thread to be had: the caller examines what is left
            }
        }
    }

    void finishReading() {
        {
            std::lock_guard lock(m_mutex);
            if (m_done)
                return;
            m_done = true;
        }
        m_ready.notify_all();
        examine();
        for (std::thread &helper : m_helpers)
            helper.join();
        m_helpers.clear();
    }

    // Takes batches until none is left and no more will come. A batch is only ever touched by
    // the thread that took it, and m_batches only grows at its end (a std::deque keeps its
    // elements in place).
    void examine() {
        for (;;) {
            std::vector<FolderEntry> *batch = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return m_next < m_batches.size() || m_done; });
                if (m_next == m_batches.size())
                    return;
                batch = &m_batches[m_next++];
            }
            for (FolderEntry &entry : *batch) {
                std::string native = std::move(entry.name);
                entry.name = utf8Name(native.c_str());
                readEntry(m_dirFd, native.c_str(), m_folder, m_options, entry);
            }
        }
    }

    const int m_dirFd;
    const QByteArray &m_folder;
    const ListOptions &m_options;
    std::vector<FolderEntry> m_filling; // names read, not yet handed out
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::vector<FolderEntry>> m_batches; // in the folder's order
    size_t m_next = 0;                              // the first batch nobody took yet
    bool m_done = false;
    std::vector<std::thread> m_helpers;
};

} // namespace

platform::Result<std::vector<FolderEntry>, ListError> listFolder(const QString &folderPath,
                                                                 ListOptions options) {
    struct CloseDir {
        void operator()(DIR *dir) const { ::closedir(dir); }
    };
    const QByteArray nativeFolder = QFile::encodeName(folderPath);
    std::unique_ptr<DIR, CloseDir> dir(::opendir(nativeFolder.constData()));
    if (!dir)
        return platform::fail(ListError::CannotList, QString::fromLocal8Bit(std::strerror(errno)));

    // Reading a large folder's names takes as long as examining a third of them: the two overlap.
    ListingBatches batches(::dirfd(dir.get()), nativeFolder, options);
    for (;;) {
        errno = 0;
        const dirent *item = ::readdir(dir.get());
        if (!item) {
            if (errno != 0)
                return platform::fail(ListError::CannotList, QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0 ||
            isStagingName(item->d_name))
            continue;
        batches.add(item->d_name);
    }
    return batches.finish();
}

std::string lowerExtension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot == name.size() - 1)
        return {};
    std::string ext(name.substr(dot + 1));
    for (char &c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

bool isStagingName(std::string_view name) {
    return name.starts_with(stagingPrefix) && name.ends_with(stagingSuffix);
}

QString stagingPath(const QString &folder) {
    return folder + QLatin1Char('/') + QLatin1String(stagingPrefix.data(), qsizetype(stagingPrefix.size())) +
           QString::number(QRandomGenerator::global()->generate64(), 36) +
           QLatin1String(stagingSuffix.data(), qsizetype(stagingSuffix.size()));
}

} // namespace store
