// The file browser's model work on a folder of 10,000 files: listing it (read the folder, creation
// dates, sort, fill the model), sorting it by another option, filtering it as the user types.
#include "browser/filebrowserviewcontroller.h"
#include "browser/fileitemmodel.h"
#include "browser/viewerfactory.h"
#include "platform/defaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class NoViewers : public browser::ViewerFactory {
public:
    ui::ScreenController *imageViewer(const QString &) override { return nullptr; }
    ui::ScreenController *pdfReader(const QString &) override { return nullptr; }
};

QString folder() {
    static QTemporaryDir dir(QDir::tempPath() + "/tidewell-browser-bench-XXXXXX");
    static const bool made = [] {
        const char *extensions[] = {"jpg", "png", "pdf", "mp4", "txt"};
        for (int i = 0; i < 10000; ++i) {
            QFile file(dir.path() + QStringLiteral("/file-%1.%2").arg(i).arg(extensions[i % 5]));
            if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray((i * 37) % 4096, 'x')) < 0)
                return false;
        }
        return true;
    }();
    if (!made)
        qFatal("could not make the benchmark's files in %s", qPrintable(dir.path()));
    return dir.path();
}

struct Browser {
    NoViewers viewers;
    platform::Defaults defaults{QStringLiteral("browser-bench")};
    browser::FileBrowserViewController controller{
        browser::FileBrowserEnvironment{viewers, defaults, [] { return std::optional<QString>(folder()); },
                                        [](const QString &) {
                                            return false;
                                        }}};
};

void listFolder(benchmark::State &state) {
    folder(); // made once, outside the timing
    Browser b;
    for (auto _ : state)
        b.controller.refreshRoot();
    state.counters["items"] = double(b.controller.items().size());
}
BENCHMARK(listFolder)->Unit(benchmark::kMillisecond);

void sortFolder(benchmark::State &state) {
    Browser b;
    b.controller.refreshRoot();
    const browser::SortOption options[] = {browser::SortOption::Size, browser::SortOption::Date,
                                           browser::SortOption::Time};
    int next = 0;
    for (auto _ : state)
        b.controller.setSortOption(options[next++ % 3]);
}
BENCHMARK(sortFolder)->Unit(benchmark::kMillisecond);

// One keystroke of a search: the filter over every name and the model's reset.
void filterFolder(benchmark::State &state) {
    Browser b;
    b.controller.refreshRoot();
    const QString texts[] = {QStringLiteral("7"), QStringLiteral(".PDF"), QStringLiteral("")};
    int next = 0;
    for (auto _ : state)
        b.controller.applySearch(texts[next++ % 3]);
}
BENCHMARK(filterFolder)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
