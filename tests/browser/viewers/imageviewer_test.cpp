#include "browser/viewers/imagecanvas.h"
#include "browser/viewers/imageviewercontroller.h"
#include "browser/viewers/imageviewerview.h"
#include "browser/viewers/viewers.h"
#include "platform/log.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>

using browser::ImageViewerController;

namespace {

class ImageViewerTest : public ::testing::Test {
protected:
    QString picture(const QString &name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(30, 120, 200));
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    // The controller with its view in a window of the given size, once decoding has ended.
    std::unique_ptr<browser::ImageViewerView> shown(ImageViewerController &viewer, QSize window) {
        auto view = std::make_unique<browser::ImageViewerView>(&viewer);
        view->resize(window);
        view->show();
        QSignalSpy decoded(&viewer, &ImageViewerController::imageChanged);
        viewer.loadViewIfNeeded();
        EXPECT_TRUE(decoded.wait(5000));
        return view;
    }

    QTemporaryDir m_dir;
    QThreadPool m_pool;
};

TEST_F(ImageViewerTest, DecodesOnThePoolAndShowsThePicture) {
    // The pool's one thread is busy: the GUI thread keeps running while the picture waits.
    m_pool.setMaxThreadCount(1);
    QSemaphore release;
    m_pool.start([&release] { release.acquire(); });
    ImageViewerController viewer(picture("photo.png", {800, 600}), &m_pool);
    browser::ImageViewerView view(&viewer);
    viewer.loadViewIfNeeded();
    QTest::qWait(50);
    EXPECT_EQ(viewer.state(), ImageViewerController::State::Loading);
    EXPECT_TRUE(view.messageLabel()->isVisibleTo(&view));
    EXPECT_FALSE(view.hiddenPanel()->isVisibleTo(&view));

    QSignalSpy decoded(&viewer, &ImageViewerController::imageChanged);
    release.release();
    ASSERT_TRUE(decoded.wait(5000));
    EXPECT_EQ(viewer.state(), ImageViewerController::State::Shown);
    EXPECT_EQ(viewer.image().size(), QSize(800, 600));
    EXPECT_TRUE(view.canvas()->hasPicture());
    EXPECT_FALSE(view.messageLabel()->isVisibleTo(&view));
    EXPECT_EQ(viewer.title(), "photo.png");
}

TEST_F(ImageViewerTest, LargePicturesAreScaledWithinTheBudget) {
    const QString path = picture("wide.png", {1600, 900});
    const browser::DecodedPicture within = browser::decodePictureForDisplay(path, 1024 * 1024);
    ASSERT_FALSE(within.image.isNull());
    EXPECT_LE(qint64(within.image.width()) * within.image.height() * 4, 1024 * 1024);
    EXPECT_GT(qint64(within.image.width()) * within.image.height() * 4, 1024 * 1024 * 9 / 10);
    EXPECT_NEAR(double(within.image.width()) / within.image.height(), 16.0 / 9.0, 0.02);
    EXPECT_EQ(within.originalSize, QSize(1600, 900));
    EXPECT_EQ(browser::decodePictureForDisplay(path, 64 << 20).image.size(), QSize(1600, 900));
}

TEST_F(ImageViewerTest, PictureThatCannotBeDecodedShowsAMessage) {
    const QString path = m_dir.filePath("broken.jpg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("these bytes are no JPEG");
    file.close();
    QStringList logged;
    platform::setLogSink([&logged](const QString &line) { logged << line; });
    ImageViewerController viewer(path, &m_pool);
    auto view = shown(viewer, {640, 480});
    platform::setLogSink({});
    EXPECT_EQ(logged, QStringList{"Image viewer: cannot decode " + path});
    EXPECT_EQ(viewer.state(), ImageViewerController::State::Failed);
    EXPECT_TRUE(viewer.image().isNull());
    EXPECT_EQ(view->messageLabel()->text(), "This picture cannot be shown.");
    EXPECT_TRUE(view->messageLabel()->isVisible());
    EXPECT_FALSE(view->canvas()->hasPicture());
    QSignalSpy shared(&viewer, &ImageViewerController::shareRequested);
    EXPECT_FALSE(view->shareButton()->isEnabled());
    viewer.share();
    EXPECT_EQ(shared.count(), 0);
}

TEST_F(ImageViewerTest, KeysAndDoubleClickZoomBetweenFitAndActualSize) {
    ImageViewerController viewer(picture("big.png", {1600, 1200}), &m_pool);
    auto view = shown(viewer, {800, 600});
    browser::ImageCanvas *canvas = view->canvas();
    ASSERT_TRUE(canvas->isFitted());
    const double fit = canvas->zoom();
    EXPECT_NEAR(fit, 0.5, 0.01);

    QTest::keyClick(canvas, Qt::Key_Plus);
    EXPECT_NEAR(canvas->zoom(), fit * 1.25, 1e-6);
    EXPECT_FALSE(canvas->isFitted());
    QTest::keyClick(canvas, Qt::Key_Minus);
    EXPECT_NEAR(canvas->zoom(), fit, 1e-6);
    QTest::keyClick(canvas, Qt::Key_Minus); // never below fit
    EXPECT_NEAR(canvas->zoom(), fit, 1e-6);
    QTest::keyClick(canvas, Qt::Key_Plus);
    QTest::keyClick(canvas, Qt::Key_0);
    EXPECT_TRUE(canvas->isFitted());

    QTest::mouseDClick(canvas->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_DOUBLE_EQ(canvas->zoom(), 1.0);
    QTest::mouseDClick(canvas->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_TRUE(canvas->isFitted());
    EXPECT_NEAR(canvas->zoom(), fit, 1e-6);

    // The wheel zooms by one step a notch; a fitted picture stays fitted as the window grows.
    QWheelEvent notch(QPointF(400, 300), canvas->viewport()->mapToGlobal(QPointF(400, 300)), {}, {0, 120},
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas->viewport(), &notch);
    EXPECT_NEAR(canvas->zoom(), fit * 1.25, 1e-6);
    QTest::keyClick(canvas, Qt::Key_0);
    view->resize(1200, 900);
    EXPECT_TRUE(canvas->isFitted());
    EXPECT_NEAR(canvas->zoom(), 0.75, 0.01);
}

TEST_F(ImageViewerTest, CloseShareAndEscapeGoThroughTheController) {
    const QString path = picture("shared.png", {64, 64});
    ImageViewerController viewer(path, &m_pool);
    auto view = shown(viewer, {640, 480});
    QSignalSpy dismissed(&viewer, &ImageViewerController::dismissRequested);
    QSignalSpy shared(&viewer, &ImageViewerController::shareRequested);

    for (QWidget *control :
         {static_cast<QWidget *>(view->closeButton()), static_cast<QWidget *>(view->shareButton()),
          static_cast<QWidget *>(view->canvas())})
        EXPECT_FALSE(control->accessibleName().isEmpty());
    QTest::mouseClick(view->shareButton(), Qt::LeftButton);
    ASSERT_EQ(shared.count(), 1);
    EXPECT_EQ(shared.at(0).at(0).toString(), path);
    EXPECT_EQ(view->shareMenu()->actions().size(), 1);
    view->shareMenu()->hide();
    QTest::mouseClick(view->closeButton(), Qt::LeftButton);
    EXPECT_EQ(dismissed.count(), 1);
    QTest::keyClick(view->canvas(), Qt::Key_Escape);
    EXPECT_EQ(dismissed.count(), 2);
}

TEST(ViewersFactory, ImageViewerIsMadeForAnyPath) {
    browser::Viewers viewers;
    std::unique_ptr<ui::ScreenController> viewer(viewers.imageViewer("/nowhere/picture.jpg"));
    ASSERT_NE(qobject_cast<ImageViewerController *>(viewer.get()), nullptr);
}

} // namespace
