#include "testenvironment.h"
#include "thumbnails/thumbnailservice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>

using thumbnails::Priority;
using thumbnails::ThumbnailService;

// The generator stands in for the decoders: it counts its calls, keeps their order, fails files
// named "bad…" and, when asked, holds the one worker inside the file named "first".
class ThumbnailServiceTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.path() + "/" + name; }

    std::unique_ptr<ThumbnailService> makeService(int threads = 2) {
        ThumbnailService::Options options;
        options.maxThreads = threads;
        options.cacheRoot = path("cache");
        options.generator = [this](const QString &file, int side) {
            const QString name = QFileInfo(file).fileName();
            {
                std::lock_guard lock(m_mutex);
                m_made << name;
            }
            if (name == "first" && m_holdFirst) {
                m_started.release();
                m_release.acquire();
            }
            QImage image(300, 150, QImage::Format_RGB32);
            image.fill(Qt::yellow);
            return name.startsWith("bad") ? QImage() : image.scaled(side, side, Qt::KeepAspectRatio);
        };
        auto service = std::make_unique<ThumbnailService>(options);
        QThread *caller = QThread::currentThread();
        QObject::connect(service.get(), &ThumbnailService::ready,
                         [this, caller](auto, const QString &file, const QImage &image) {
                             m_offThread |= QThread::currentThread() != caller;
                             m_answers << QStringLiteral("%1 %2x%3")
                                              .arg(QFileInfo(file).fileName())
                                              .arg(image.width())
                                              .arg(image.height());
                         });
        QObject::connect(service.get(), &ThumbnailService::failed, [this, caller](auto, const QString &file) {
            m_offThread |= QThread::currentThread() != caller;
            m_answers << QFileInfo(file).fileName() + " failed";
        });
        return service;
    }

    // Runs the caller's event loop until count answers have arrived (or ten seconds have passed).
    void waitForAnswers(qsizetype count) {
        QDeadlineTimer deadline(10000);
        while (m_answers.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        ASSERT_EQ(m_answers.size(), count) << m_answers.join(", ").toStdString();
    }

    QTemporaryDir m_dir{testsupport::sandboxRoot() + "/service-XXXXXX"};
    std::mutex m_mutex;
    QStringList m_made;
    std::atomic<bool> m_holdFirst = false;
    std::binary_semaphore m_started{0}, m_release{0};
    QStringList m_answers;
    bool m_offThread = false;
};

// One worker, held by the first job: of the requests queued meanwhile the visible ones run first,
// in the order asked, and the cancelled one neither runs nor answers.
TEST_F(ThumbnailServiceTest, VisibleBeforePrefetchAndCancelledNeverRuns) {
    for (const char *name : {"first", "p1", "p2", "v1", "v2", "late"})
        testsupport::writeFile(path(name), name);
    m_holdFirst = true;
    auto service = makeService(1);
    service->request(path("first"), 64, Priority::Visible);
    m_started.acquire();
    service->request(path("p1"), 64, Priority::Prefetch);
    service->request(path("p2"), 64, Priority::Prefetch);
    service->request(path("v1"), 64, Priority::Visible);
    service->cancel(service->request(path("v2"), 64, Priority::Visible));
    m_release.release();
    waitForAnswers(4);
    EXPECT_EQ(m_made, QStringList({"first", "v1", "p1", "p2"}));
    EXPECT_EQ(m_answers, QStringList({"first 64x32", "v1 64x32", "p1 64x32", "p2 64x32"}));

    // Cancelled after its thumbnail was made, before the caller's loop ran: still silent. The one
    // worker answers in order, so once "p1" is back the answer of "late" was due before it.
    const auto late = service->request(path("late"), 64, Priority::Visible);
    for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QThread::msleep(1)) {
        std::lock_guard lock(m_mutex);
        if (m_made.contains("late"))
            break;
    }
    service->cancel(late);
    service->request(path("p1"), 64, Priority::Visible);
    waitForAnswers(5);
    EXPECT_EQ(m_answers.last(), "p1 64x32");
    EXPECT_FALSE(m_offThread);
}

// Answers are queued to the caller's thread, never given inside request(); the thumbnail fits the
// asked size; a second service answers from the disk cache without making anything.
TEST_F(ThumbnailServiceTest, AnswersOnTheCallersThreadFromTheCacheWhenPossible) {
    testsupport::writeFile(path("good.png"), "contents");
    {
        auto service = makeService();
        service->request(path("good.png"), 100, Priority::Visible);
        service->request(path("missing.png"), 100, Priority::Visible);
        EXPECT_TRUE(m_answers.isEmpty()); // never inside request()
        waitForAnswers(2);
    }
    auto service = makeService();
    service->request(path("good.png"), 64, Priority::Visible);
    waitForAnswers(3);
    m_answers.sort();
    EXPECT_EQ(m_answers, QStringList({"good.png 100x50", "good.png 64x32", "missing.png failed"}));
    EXPECT_EQ(m_made, QStringList({"good.png"}));
    EXPECT_FALSE(m_offThread);
}

// A file that failed is not made again, by this service or the next one, until it changes.
TEST_F(ThumbnailServiceTest, FailureIsRememberedUntilTheFileChanges) {
    testsupport::writeFile(path("bad.pdf"), "not a document");
    {
        auto service = makeService();
        service->request(path("bad.pdf"), 128, Priority::Visible);
        waitForAnswers(1);
        service->request(path("bad.pdf"), 128, Priority::Visible);
        waitForAnswers(2);
    }
    auto service = makeService();
    service->request(path("bad.pdf"), 128, Priority::Visible);
    waitForAnswers(3);
    EXPECT_EQ(m_made.size(), 1);

    QFile file(path("bad.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QFileInfo(file).lastModified().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    service->request(path("bad.pdf"), 128, Priority::Visible);
    waitForAnswers(4);
    EXPECT_EQ(m_made.size(), 2);
    EXPECT_EQ(m_answers, QStringList(4, "bad.pdf failed"));
}
