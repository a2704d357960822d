#include "zepcommon/qr/qrcodereaderview.h"

#ifdef TIDEWELL_HAVE_CAMERA
#include "zepcommon/qr/qrcodereader.h"
#include "zepcommon/qr/qtcapturebackend.h"
#include <QMediaDevices>
#endif

#include <QImage>
#include <gtest/gtest.h>

namespace {

struct OverlayCase {
    QSizeF bounds;
    QRectF expected;
};

class OverlayGeometryTest : public ::testing::TestWithParam<OverlayCase> {};

TEST_P(OverlayGeometryTest, SquareForBounds) {
    const QRectF rect = QRCodeReaderView::overlayRect(GetParam().bounds);
    EXPECT_NEAR(rect.x(), GetParam().expected.x(), 1e-9);
    EXPECT_NEAR(rect.y(), GetParam().expected.y(), 1e-9);
    EXPECT_NEAR(rect.width(), GetParam().expected.width(), 1e-9);
    EXPECT_NEAR(rect.height(), GetParam().expected.height(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, OverlayGeometryTest,
    ::testing::Values(
        // Height is the limit: S = 667 − 320 = 347, side 277.6, centred across, 120 + S/10 down.
        OverlayCase{{375, 667}, {48.7, 154.7, 277.6, 277.6}},
        // Width is the limit: S = 320, side 256, x = 32, y = (680 − 256) / 2 + 120.
        OverlayCase{{320, 1000}, {32, 332, 256, 256}},
        // Both limits equal: the width branch.
        OverlayCase{{400, 720}, {40, 120 + 40, 320, 320}},
        // A wide window: S = 80.
        OverlayCase{{1000, 400}, {468, 128, 64, 64}},
        // No room above the bottom 320: no square.
        OverlayCase{{375, 320}, {0, 0, 0, 0}}, OverlayCase{{375, 100}, {0, 0, 0, 0}},
        OverlayCase{{0, 800}, {0, 0, 0, 0}}));

TEST(QRCodeReaderViewTest, PaintsTheDashedSquareInWhiteOverBlack) {
    QRCodeReaderView view;
    view.resize(375, 667);
    const QImage image = view.grab().toImage();
    const QRectF square = QRCodeReaderView::overlayRect(view.size());
    int whiteOnTopEdge = 0;
    int length = 0;
    for (int x = int(square.left()) + 10; x < int(square.right()) - 10; ++x, ++length) {
        if (image.pixelColor(x, int(square.top())).lightness() > 200)
            ++whiteOnTopEdge;
    }
    // Dashes of 7 on and 7 off cover about half of the edge.
    EXPECT_GT(whiteOnTopEdge, length / 3);
    EXPECT_LT(whiteOnTopEdge, length * 2 / 3);
    EXPECT_EQ(image.pixelColor(square.center().toPoint()), QColor(Qt::black));
}

#ifdef TIDEWELL_HAVE_CAMERA
TEST(QtCaptureBackendTest, AMachineWithoutCameraGivesAnEmptyReader) {
    if (!QMediaDevices::videoInputs().isEmpty())
        GTEST_SKIP() << "this machine has a camera";
    auto backend = std::make_shared<QtCaptureBackend>();
    QRCodeReader reader(backend);
    EXPECT_EQ(reader.session(), nullptr);
    EXPECT_EQ(reader.defaultDevice(), nullptr);
    EXPECT_FALSE(QRCodeReader::isAvailable(*backend));
    reader.startScanning();
    EXPECT_FALSE(reader.running());
    QRCodeReaderView view;
    view.setReader(&reader);
    EXPECT_FALSE(view.grab().isNull());
}
#endif

} // namespace
