// How fast the upload route turns an URL-encoded form of Base64 into file bytes (without the
// disk): the one-pass decoder the route uses beside the two passes it replaced (percent decoding,
// then the streaming Base64 decoder); and how fast the streaming Base64 decoder alone runs.
#include "http/urlencoding.h"
#include "store/folderlisting.h"
#include "transfer/base64stream.h"
#include "transfer/folderlister.h"
#include "transfer/formbase64decoder.h"
#include "transfer/listthumbnailer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

// The icons the list reply inlines live in the transfer library's resources.
static int initTransferResources() {
    Q_INIT_RESOURCE(transfer);
    return 0;
}
static const int transferResources = initTransferResources();

namespace {

std::string randomBytes(size_t size) {
    std::mt19937_64 generator(42);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t value = generator();
        std::memcpy(bytes.data() + i, &value, std::min<size_t>(8, size - i));
    }
    return bytes;
}

const std::string &formBody() {
    static const std::string body = [] {
        const std::string base64 =
            QByteArray::fromStdString(randomBytes(32 * 1024 * 1024)).toBase64().toStdString();
        return "note=bench&name=clip.mp4&content=" + http::encodeComponent(base64);
    }();
    return body;
}

constexpr size_t chunk = 256 * 1024; // what the server hands over per read

void FormDecodeOnePass(benchmark::State &state) {
    const std::string &body = formBody();
    for (auto _ : state) {
        size_t written = 0;
        transfer::FormBase64Decoder content(true, [&written](const char *data, size_t size) {
            benchmark::DoNotOptimize(data);
            written += size;
            return true;
        });
        http::FormStreamDecoder form(
            [](const std::string &key) {
                return key == "content" ? http::FormStreamDecoder::Disposition::Raw
                                        : http::FormStreamDecoder::Disposition::Buffer;
            },
            [&content](const char *data, size_t size) { return content.feed(data, size); }, 64 * 1024);
        for (size_t i = 0; i < body.size(); i += chunk)
            form.feed(body.data() + i, std::min(chunk, body.size() - i));
        form.finish();
        content.finish();
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}
BENCHMARK(FormDecodeOnePass)->Unit(benchmark::kMillisecond);

void FormDecodeTwoPasses(benchmark::State &state) {
    const std::string &body = formBody();
    for (auto _ : state) {
        transfer::Base64StreamDecoder base64;
        std::string decoded;
        size_t written = 0;
        http::FormStreamDecoder form(
            [](const std::string &key) {
                return key == "content" ? http::FormStreamDecoder::Disposition::Stream
                                        : http::FormStreamDecoder::Disposition::Buffer;
            },
            [&](const char *data, size_t size) {
                base64.feed(data, size, decoded);
                written += decoded.size();
                decoded.clear();
                return true;
            },
            64 * 1024);
        for (size_t i = 0; i < body.size(); i += chunk)
            form.feed(body.data() + i, std::min(chunk, body.size() - i));
        form.finish();
        base64.finish(decoded);
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}
BENCHMARK(FormDecodeTwoPasses)->Unit(benchmark::kMillisecond);

void Base64Decode(benchmark::State &state) {
    const std::string text =
        QByteArray::fromStdString(randomBytes(16 * 1024 * 1024)).toBase64().toStdString();
    for (auto _ : state) {
        transfer::Base64StreamDecoder decoder;
        std::string out;
        out.reserve(text.size());
        decoder.feed(text.data(), text.size(), out);
        decoder.finish(out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(Base64Decode)->Unit(benchmark::kMillisecond);

// A folder of 10,000 small documents, as the list route's benchmark in run.sh lists it: the
// attributes alone, then the whole reply.
const QString &manyFiles() {
    static QTemporaryDir dir;
    static const QString path = [] {
        for (int i = 1; i <= 10000; ++i) {
            QFile file(dir.filePath(QStringLiteral("note-%1.txt").arg(i)));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray("file ") + QByteArray::number(i) + '\n');
        }
        return dir.path();
    }();
    return path;
}

void ListFolderAttributes(benchmark::State &state) {
    const QString &folder = manyFiles();
    for (auto _ : state) {
        auto listing = store::listFolder(folder);
        benchmark::DoNotOptimize(listing);
    }
}
BENCHMARK(ListFolderAttributes)->Unit(benchmark::kMillisecond)->UseRealTime();

void ListReply(benchmark::State &state) {
    const QString &folder = manyFiles();
    const transfer::ListThumbnailer thumbnailer;
    const bool inlineIcons = state.range(0) != 0;
    size_t size = 0;
    for (auto _ : state) {
        auto reply = transfer::FolderLister(thumbnailer).list(folder, "many", inlineIcons);
        size = reply ? reply->size() : 0;
        benchmark::DoNotOptimize(reply);
    }
    state.counters["reply_MiB"] = double(size) / 1048576;
}
BENCHMARK(ListReply)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
