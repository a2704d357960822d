#include "testenvironment.h"
#include "thumbnails/thumbnailservice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <semaphore>

using thumbnails::Priority;
using thumbnails::RequestId;
using thumbnails::ThumbnailService;

namespace {

struct Answer {
    RequestId id;
    QString name;
    bool ok;
    QSize size;
    bool onCallerThread;
};

} // namespace

class ThumbnailServiceTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }

    std::unique_ptr<ThumbnailService> makeService(ThumbnailService::Generator generator, int threads = 2) {
        ThumbnailService::Options options;
        options.maxThreads = threads;
        options.cacheRoot = path("cache");
        options.generator = std::move(generator);
        auto service = std::make_unique<ThumbnailService>(options);
        QThread *caller = QThread::currentThread();
        QObject::connect(service.get(), &ThumbnailService::ready,
                         [this, caller](RequestId id, const QString &p, const QImage &image) {
                             m_answers.push_back({id, QFileInfo(p).fileName(), true, image.size(),
                                                  QThread::currentThread() == caller});
                         });
        QObject::connect(
            service.get(), &ThumbnailService::failed, [this, caller](RequestId id, const QString &p) {
                m_answers.push_back(
                    {id, QFileInfo(p).fileName(), false, {}, QThread::currentThread() == caller});
            });
        return service;
    }

    // Runs the caller's event loop until count answers have arrived (or ten seconds have passed).
    void waitForAnswers(size_t count) {
        QDeadlineTimer deadline(10000);
        while (m_answers.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        ASSERT_EQ(m_answers.size(), count);
    }

    // A plain generator: a 300 by 150 picture for every file whose name does not start with "bad".
    ThumbnailService::Generator counting() {
        return [this](const QString &p, int side) {
            ++m_made;
            if (QFileInfo(p).fileName().startsWith("bad"))
                return QImage();
            QImage image(300, 150, QImage::Format_RGB32);
            image.fill(Qt::yellow);
            return image.scaled(side, side, Qt::KeepAspectRatio);
        };
    }

    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/service-XXXXXX"};
    std::vector<Answer> m_answers;
    std::atomic<int> m_made = 0;
};

// One worker, held by the first job: of the requests queued meanwhile the visible ones run first,
// in the order asked, and the cancelled one neither runs nor answers.
TEST_F(ThumbnailServiceTest, VisibleBeforePrefetchAndCancelledNeverRuns) {
    std::binary_semaphore started(0), release(0);
    std::mutex orderMutex;
    QStringList order;
    auto service = makeService(
        [&](const QString &p, int) {
            const QString name = QFileInfo(p).fileName();
            {
                std::lock_guard lock(orderMutex);
                order << name;
            }
            if (name == "first") {
                started.release();
                release.acquire();
            }
            QImage image(8, 8, QImage::Format_RGB32);
            image.fill(Qt::red);
            return image;
        },
        1);
    for (const char *name : {"first", "p1", "p2", "v1", "v2"})
        testsupport::writeFile(path(name), name);

    service->request(path("first"), 64, Priority::Visible);
    started.acquire();
    service->request(path("p1"), 64, Priority::Prefetch);
    const RequestId p2 = service->request(path("p2"), 64, Priority::Prefetch);
    service->request(path("v1"), 64, Priority::Visible);
    const RequestId v2 = service->request(path("v2"), 64, Priority::Visible);
    service->cancel(v2);
    release.release();
    waitForAnswers(4);
    EXPECT_EQ(order, QStringList({"first", "v1", "p1", "p2"}));
    QStringList answered;
    for (const Answer &answer : m_answers)
        answered << answer.name;
    EXPECT_EQ(answered, QStringList({"first", "v1", "p1", "p2"}));

    // Cancelled after its answer was made but before it was delivered: still silent.
    service->cancel(p2);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_answers.size(), 4u);
}

// Answers are queued to the caller's thread, never given inside request(); the thumbnail fits the
// asked size; a second service answers from the disk cache without making anything.
TEST_F(ThumbnailServiceTest, AnswersOnTheCallersThreadFromTheCacheWhenPossible) {
    testsupport::writeFile(path("good.png"), "contents");
    {
        auto service = makeService(counting());
        service->request(path("good.png"), 100, Priority::Visible);
        service->request(path("missing.png"), 100, Priority::Visible);
        EXPECT_TRUE(m_answers.empty());
        waitForAnswers(2);
    }
    EXPECT_EQ(m_made, 1);
    auto service = makeService(counting());
    service->request(path("good.png"), 64, Priority::Visible);
    waitForAnswers(3);
    EXPECT_EQ(m_made, 1);
    for (const Answer &answer : m_answers)
        EXPECT_TRUE(answer.onCallerThread);
    std::sort(m_answers.begin(), m_answers.begin() + 2, [](auto &a, auto &b) { return a.name < b.name; });
    EXPECT_TRUE(m_answers[0].ok && m_answers[0].size == QSize(100, 50));
    EXPECT_FALSE(m_answers[1].ok);
    EXPECT_TRUE(m_answers[2].ok && m_answers[2].size == QSize(64, 32));
}

// A file that failed is not made again, by this service or the next one, until it changes.
TEST_F(ThumbnailServiceTest, FailureIsRememberedUntilTheFileChanges) {
    testsupport::writeFile(path("bad.pdf"), "not a document");
    {
        auto service = makeService(counting());
        service->request(path("bad.pdf"), 128, Priority::Visible);
        waitForAnswers(1);
        service->request(path("bad.pdf"), 128, Priority::Visible);
        waitForAnswers(2);
    }
    auto service = makeService(counting());
    service->request(path("bad.pdf"), 128, Priority::Visible);
    waitForAnswers(3);
    EXPECT_EQ(m_made, 1);

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path("bad.pdf")).constData(), &info), 0);
    const timespec later[2] = {info.st_atim, {info.st_mtim.tv_sec + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path("bad.pdf")).constData(), later, 0), 0);
    service->request(path("bad.pdf"), 128, Priority::Visible);
    waitForAnswers(4);
    EXPECT_EQ(m_made, 2);
    for (const Answer &answer : m_answers)
        EXPECT_FALSE(answer.ok);
}
