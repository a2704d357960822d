// How long a thumbnail takes: a phone photo for the list route (scaled JPEG decode and palette PNG),
// the app's 128 px thumbnail made anew and read back from the freedesktop cache, a PDF's first page.
#include "thumbnails/compactpng.h"
#include "thumbnails/freedesktopcache.h"
#include "thumbnails/generator.h"
#include "thumbnails/imagedecoder.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// A 4000 by 3000 JPEG with gradients and grain, which compresses about as a photograph does.
const QString &photo() {
    static QTemporaryDir dir;
    static const QString path = [] {
        QImage image(4000, 3000, QImage::Format_RGB32);
        std::mt19937 generator(7);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grain = int(generator() % 24);
                line[x] = qRgb((x / 16 + grain) % 256, (y / 12 + grain) % 256, ((x + y) / 28 + grain) % 256);
            }
        }
        const QString file = dir.path() + "/photo.jpg";
        image.save(file, "JPEG", 90);
        return file;
    }();
    return path;
}

const QString &document() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.path() + "/doc.pdf";
        QPdfWriter writer(file);
        QPainter painter(&writer);
        for (int i = 0; i < 40; ++i)
            painter.fillRect(QRect(i * 200, i * 300, 2000, 150), Qt::darkBlue);
        return file;
    }();
    return path;
}

void ListThumbnailOfAPhoto(benchmark::State &state) {
    const QString &file = photo(); // made once, outside the timing
    for (auto _ : state) {
        const QByteArray png = thumbnails::compactPng(thumbnails::decodeImage(file, 224));
        benchmark::DoNotOptimize(png.data());
    }
}
BENCHMARK(ListThumbnailOfAPhoto)->Unit(benchmark::kMillisecond);

void AppThumbnailMade(benchmark::State &state) {
    const QString &file = photo();
    for (auto _ : state) {
        const QImage image = thumbnails::makeThumbnail(file, 128);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(AppThumbnailMade)->Unit(benchmark::kMillisecond);

void AppThumbnailFromTheCache(benchmark::State &state) {
    QTemporaryDir root;
    const thumbnails::FreedesktopCache cache(root.path());
    const thumbnails::SourceFile source = *thumbnails::SourceFile::examine(photo());
    cache.store(source, 128, thumbnails::makeThumbnail(photo(), 128));
    for (auto _ : state) {
        const QImage image = cache.find(source, 128);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(AppThumbnailFromTheCache)->Unit(benchmark::kMicrosecond);

void PdfFirstPage(benchmark::State &state) {
    const QString &file = document();
    for (auto _ : state) {
        const QImage image = thumbnails::makeThumbnail(file, 256);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PdfFirstPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
