#include "thumbnails/videoframemodule.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <mutex>
#include <type_traits>

namespace thumbnails {
namespace {

struct FormatClose {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecFree {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct PacketFree {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct ScaleFree {
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatClose>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// Packets read after the seek before giving up on reaching the target; far more than the distance
// between two key frames in ordinary files.
constexpr int maxPackets = 3000;

struct VideoInput {
    FormatPtr format;
    CodecPtr codec;
    int stream = -1;
};

std::optional<VideoInput> openVideo(const QString &path) {
    AVFormatContext *rawFormat = nullptr;
    if (avformat_open_input(&rawFormat, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return std::nullopt; // avformat_open_input frees the context itself on failure
    VideoInput input;
    input.format.reset(rawFormat);
    if (avformat_find_stream_info(input.format.get(), nullptr) < 0)
        return std::nullopt;
    const AVCodec *decoder = nullptr;
    input.stream = av_find_best_stream(input.format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (input.stream < 0 || !decoder)
        return std::nullopt;
    input.codec.reset(avcodec_alloc_context3(decoder));
    if (!input.codec)
        return std::nullopt;
    if (avcodec_parameters_to_context(input.codec.get(), input.format->streams[input.stream]->codecpar) < 0)
        return std::nullopt;
    // The caller's thread pool is the parallelism; one picture needs no decoder threads of its own.
    input.codec->thread_count = 1;
    if (avcodec_open2(input.codec.get(), decoder, nullptr) < 0)
        return std::nullopt;
    return input;
}

// The time at half the duration in the stream's time base, counted from the stream's start.
int64_t middleTimestamp(const VideoInput &input) {
    const AVStream *stream = input.format->streams[input.stream];
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return start + stream->duration / 2;
    if (input.format->duration != AV_NOPTS_VALUE && input.format->duration > 0)
        return start + av_rescale_q(input.format->duration / 2, AV_TIME_BASE_Q, stream->time_base);
    return start;
}

// Decodes from the current position until a frame at or after target; the last frame decoded when
// the stream ends (or the packet budget runs out) before it. Null when no frame could be decoded.
FramePtr decodeUntil(VideoInput &input, int64_t target) {
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    FramePtr last(av_frame_alloc());
    if (!packet || !frame || !last)
        return nullptr;
    bool haveFrame = false;
    bool draining = false;
    for (int packets = 0; packets < maxPackets; ++packets) {
        if (!draining) {
            const int read = av_read_frame(input.format.get(), packet.get());
            if (read < 0) {
                // End of file or a damaged tail: let the decoder hand out what it still holds.
                draining = true;
                if (avcodec_send_packet(input.codec.get(), nullptr) < 0)
                    break;
            } else {
                const bool ours = packet->stream_index == input.stream;
                const int sent = ours ? avcodec_send_packet(input.codec.get(), packet.get()) : 0;
                av_packet_unref(packet.get());
                // A damaged packet is skipped; the decoder resynchronises at the next one.
                if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA)
                    break;
            }
        }
        for (;;) {
            const int received = avcodec_receive_frame(input.codec.get(), frame.get());
            if (received == AVERROR(EAGAIN))
                break;
            if (received < 0)
                return haveFrame ? std::move(last) : nullptr;
            const int64_t time = frame->best_effort_timestamp;
            if (time == AV_NOPTS_VALUE || time >= target)
                return frame;
            av_frame_unref(last.get());
            av_frame_move_ref(last.get(), frame.get());
            haveFrame = true;
        }
    }
    return haveFrame ? std::move(last) : nullptr;
}

QImage toImage(const AVFrame &frame, AVRational sampleAspect, int maxSide) {
    if (frame.width <= 0 || frame.height <= 0 || frame.format < 0)
        return {};
    QSize display(frame.width, frame.height);
    if (sampleAspect.num > 0 && sampleAspect.den > 0)
        display.setWidth(int(av_rescale(frame.width, sampleAspect.num, sampleAspect.den)));
    const QSize size = (display.width() > maxSide || display.height() > maxSide)
                           ? display.scaled(maxSide, maxSide, Qt::KeepAspectRatio)
                           : display;
    if (size.isEmpty())
        return {};
    std::unique_ptr<SwsContext, ScaleFree> scaler(
        sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), size.width(), size.height(),
                       AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    QImage image(size, QImage::Format_RGB888);
    if (image.isNull())
        return {};
    uint8_t *const destination[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, destination,
                  destinationStride) != size.height())
        return {};
    return image;
}

QImage decodeVideoFrame(const QString &path, int maxSide) {
    // FFmpeg reports every damaged file on stderr; a thumbnail that cannot be made is not worth a line.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_FATAL); });

    if (maxSide <= 0)
        return {};
    std::optional<VideoInput> input = openVideo(path);
    if (!input)
        return {};
    const int64_t target = middleTimestamp(*input);
    const AVStream *stream = input->format->streams[input->stream];
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    if (target > start) {
        // Seeking lands on the key frame before the target; decoding then walks forward to it.
        // When the file cannot seek, decoding from the start reaches the target all the same.
        if (av_seek_frame(input->format.get(), input->stream, target, AVSEEK_FLAG_BACKWARD) >= 0)
            avcodec_flush_buffers(input->codec.get());
    }
    const FramePtr frame = decodeUntil(*input, target);
    if (!frame)
        return {};
    const AVRational aspect =
        av_guess_sample_aspect_ratio(input->format.get(), input->format->streams[input->stream], frame.get());
    return toImage(*frame, aspect, maxSide);
}

} // namespace
} // namespace thumbnails

extern "C" __attribute__((visibility("default"))) void
tidewell_decode_video_frame(const QString &path, int maxSide, QImage *frame) {
    static_assert(
        std::is_same_v<decltype(&tidewell_decode_video_frame), thumbnails::videoframemodule::Entry>);
    *frame = thumbnails::decodeVideoFrame(path, maxSide);
}
