// The viewers: opening a 1,000-page PDF in the reader (the document and its page sizes, then the
// view shown with its first pages and strip thumbnails), scrolling through every page, and
// decoding a 24-megapixel photo for the picture viewer. Peak memory (VmHWM) is reported as a
// counter: it stays bounded because one page never renders past 64 MiB and the view and the strip
// cache a fixed amount.
#include "browser/viewers/imageviewercontroller.h"
#include "browser/viewers/pdfpagethumbnails.h"
#include "browser/viewers/pdfreadercontroller.h"
#include "browser/viewers/pdfreaderview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

QTemporaryDir &folder() {
    static QTemporaryDir dir;
    return dir;
}

const QString &thousandPages() {
    static const QString path = [] {
        const QString file = folder().path() + "/thousand.pdf";
        QPdfWriter writer(file);
        writer.setResolution(72);
        QPainter painter(&writer);
        painter.setFont(QFont("DejaVu Sans", 14));
        for (int page = 0; page < 1000; ++page) {
            if (page > 0)
                writer.newPage();
            painter.drawText(QPointF(60, 80), QStringLiteral("Page %1").arg(page + 1));
            for (int line = 0; line < 30; ++line)
                painter.drawText(QPointF(60, 120 + line * 20),
                                 "The quick brown fox jumps over the lazy dog.");
        }
        return file;
    }();
    return path;
}

const QString &bigPhoto() {
    static const QString path = [] {
        QImage image(6000, 4000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb(x / 24 % 256, y / 16 % 256, (x + y) / 40 % 256);
        }
        const QString file = folder().path() + "/photo.jpg";
        image.save(file, "JPEG", 90);
        return file;
    }();
    return path;
}

double peakMebibytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void waitForThumbnail(browser::PdfPageThumbnails *thumbnails, int page) {
    QElapsedTimer timer;
    timer.start();
    while (thumbnails->index(page).data(Qt::DecorationRole).isNull() && timer.elapsed() < 10000)
        QTest::qWait(1);
}

void BM_OpenThousandPagePdf(benchmark::State &state) {
    const QString file = thousandPages();
    for (auto _ : state) {
        browser::PdfReaderController reader;
        if (!reader.open(file))
            state.SkipWithError("cannot open");
        benchmark::DoNotOptimize(reader.pageCount());
    }
    state.counters["peak_MiB"] = peakMebibytes();
}
BENCHMARK(BM_OpenThousandPagePdf)->Unit(benchmark::kMillisecond);

void BM_ShowThousandPagePdf(benchmark::State &state) {
    const QString file = thousandPages();
    for (auto _ : state) {
        browser::PdfReaderController reader;
        reader.open(file);
        browser::PdfReaderView view(&reader);
        view.resize(1200, 900);
        view.show();
        waitForThumbnail(reader.thumbnails(), 0);
    }
    state.counters["peak_MiB"] = peakMebibytes();
}
BENCHMARK(BM_ShowThousandPagePdf)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ScrollThroughThousandPages(benchmark::State &state) {
    const QString file = thousandPages();
    for (auto _ : state) {
        browser::PdfReaderController reader;
        reader.open(file);
        reader.setPixelsPerPoint(2.0); // worst case: twice the pixels, as on a HiDPI screen
        browser::PdfReaderView view(&reader);
        view.resize(1200, 900);
        view.show();
        for (int page = 0; page < reader.pageCount(); page += 10) {
            reader.goToPage(page);
            view.repaint();
            QTest::qWait(1);
        }
    }
    state.counters["peak_MiB"] = peakMebibytes();
}
BENCHMARK(BM_ScrollThroughThousandPages)->Unit(benchmark::kMillisecond)->Iterations(1);

// The worst case for memory: the largest zoom, where one page is close to 64 MiB, through 40 pages.
void BM_ScrollAtMaximumZoom(benchmark::State &state) {
    const QString file = thousandPages();
    for (auto _ : state) {
        browser::PdfReaderController reader;
        reader.open(file);
        browser::PdfReaderView view(&reader);
        view.resize(1200, 900);
        view.show();
        for (int step = 0; step < 30; ++step)
            reader.zoomIn();
        for (int page = 0; page < 40; ++page) {
            reader.goToPage(page);
            view.repaint();
            QTest::qWait(150);
        }
    }
    state.counters["peak_MiB"] = peakMebibytes();
}
BENCHMARK(BM_ScrollAtMaximumZoom)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DecodePhotoForViewer(benchmark::State &state) {
    const QString file = bigPhoto();
    QSize decoded;
    for (auto _ : state)
        decoded = browser::decodePictureForDisplay(file, browser::ImageViewerController::maximumImageBytes)
                      .image.size();
    state.counters["decoded_Mpx"] = decoded.width() * double(decoded.height()) / 1e6;
    state.counters["peak_MiB"] = peakMebibytes();
}
BENCHMARK(BM_DecodePhotoForViewer)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
