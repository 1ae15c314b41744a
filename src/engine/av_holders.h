// RAII holders for FFmpeg objects. Each holder releases its object with the
// library's own call exactly once; a released holder is empty, so releasing
// again is harmless.
#pragma once

#include <memory>
#include <string>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace vidmorph {

struct AvFreeDeleter {
    void operator()(void* p) const noexcept { av_free(p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const noexcept { avcodec_free_context(&c); }
};
struct ScalerDeleter {
    void operator()(SwsContext* s) const noexcept { sws_freeContext(s); }
};
// A format context that only holds option values (never opened).
struct FormatContextDeleter {
    void operator()(AVFormatContext* f) const noexcept { avformat_free_context(f); }
};
// An opened demuxer.
struct InputFormatDeleter {
    void operator()(AVFormatContext* f) const noexcept { avformat_close_input(&f); }
};
// A muxer context: its file is closed (when it writes one) and the context freed.
struct OutputFormatDeleter {
    void operator()(AVFormatContext* f) const noexcept {
        if (f->oformat && !(f->oformat->flags & AVFMT_NOFILE)) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const noexcept { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const noexcept { av_packet_free(&p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
template <typename T>
using AvMemory = std::unique_ptr<T, AvFreeDeleter>;

// A NUL-terminated text owned by the library's allocator (av_strdup / av_free),
// as the library expects for texts it may keep or free itself. Empty when unset.
class TLibText {
public:
    TLibText() = default;
    explicit TLibText(std::string_view text) { Assign(text); }

    void Assign(std::string_view text) {
        const std::string copy(text);
        p_.reset(av_strdup(copy.c_str()));
        if (!p_) throw std::bad_alloc();
    }
    void Release() noexcept { p_.reset(); }
    bool IsSet() const noexcept { return p_ != nullptr; }
    // The text, or nullptr when unset.
    const char* CStr() const noexcept { return p_.get(); }
    std::string Str() const { return p_ ? std::string(p_.get()) : std::string(); }

private:
    AvMemory<char> p_;
};

}  // namespace vidmorph
