#include "reference_transcode.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "av_holders.h"
#include "stream_state.h"

namespace vidmorph::bench {

namespace {

// The one holder the engine has no use for: the reference loop's sample fifo.
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* f) const noexcept { av_audio_fifo_free(f); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

[[noreturn]] void Fail(const std::string& step, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    throw std::runtime_error("reference: " + step + ": " + text);
}

[[noreturn]] void Fail(const std::string& step) { throw std::runtime_error("reference: " + step); }

int Check(int ret, const std::string& step) {
    if (ret < 0) Fail(step, ret);
    return ret;
}

template <typename T>
T* CheckAlloc(T* p, const std::string& what) {
    if (!p) Fail("allocating " + what);
    return p;
}

CodecContextPtr OpenDecoder(const AVStream& stream) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec) Fail("no decoder for input stream " + std::to_string(stream.index));
    CodecContextPtr dec(CheckAlloc(avcodec_alloc_context3(codec), "a decoder context"));
    Check(avcodec_parameters_to_context(dec.get(), stream.codecpar), "copying decoder parameters");
    dec->pkt_timebase = stream.time_base;
    dec->thread_count = 1;
    Check(avcodec_open2(dec.get(), codec, nullptr), std::string("opening decoder ") + codec->name);
    return dec;
}

const AVCodec* FindEncoder(const std::string& name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) Fail("unknown encoder " + name);
    return codec;
}

// One output stream and its encoder.
struct OutputStream {
    AVStream* stream = nullptr;  // owned by the output context
    CodecContextPtr enc;
};

class Transcoder {
public:
    Transcoder(const std::string& source, const std::string& destination, const Scenario& scenario)
        : destination_(destination), scenario_(scenario) {
        OpenInput(source);
        CreateOutput();
    }

    ReferenceResult Run() {
        PacketPtr pkt(CheckAlloc(av_packet_alloc(), "a packet"));
        for (;;) {
            const int ret = av_read_frame(input_.get(), pkt.get());
            if (ret == AVERROR_EOF) break;
            Check(ret, "reading a packet");
            if (pkt->stream_index == videoIndex_)
                Decode(*videoDec_, pkt.get(), true);
            else if (audioDec_ && pkt->stream_index == audioIndex_)
                Decode(*audioDec_, pkt.get(), false);
            av_packet_unref(pkt.get());
        }
        Decode(*videoDec_, nullptr, true);
        if (audioDec_) {
            Decode(*audioDec_, nullptr, false);
            FlushResampler();
            DrainFifo(true);
            Encode(audio_, nullptr);
        }
        Encode(video_, nullptr);
        Check(av_write_trailer(output_.get()), "writing the trailer");
        Check(avio_closep(&output_->pb), "closing the output file");
        return result_;
    }

private:
    void OpenInput(const std::string& source) {
        AVFormatContext* raw = nullptr;
        Check(avformat_open_input(&raw, source.c_str(), nullptr, nullptr), "opening " + source);
        input_.reset(raw);
        Check(avformat_find_stream_info(input_.get(), nullptr), "reading stream info");
        videoIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (videoIndex_ < 0) Fail("no video stream in " + source);
        videoDec_ = OpenDecoder(*input_->streams[videoIndex_]);
        audioIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (audioIndex_ >= 0) audioDec_ = OpenDecoder(*input_->streams[audioIndex_]);
    }

    void CreateOutput() {
        AVFormatContext* raw = nullptr;
        Check(avformat_alloc_output_context2(&raw, nullptr, scenario_.container.c_str(), destination_.c_str()),
              "creating the " + scenario_.container + " muxer");
        output_.reset(raw);

        // Video: the scenario's size, the source's frame rate, the display aspect kept.
        AVStream* in = input_->streams[videoIndex_];
        AVRational rate = av_guess_frame_rate(input_.get(), in, nullptr);
        if (rate.num <= 0 || rate.den <= 0) rate = {25, 1};
        const AVCodec* vcodec = FindEncoder(scenario_.videoEncoder);
        video_.enc.reset(CheckAlloc(avcodec_alloc_context3(vcodec), "a video encoder context"));
        AVCodecContext& venc = *video_.enc;
        venc.width = scenario_.width;
        venc.height = scenario_.height;
        venc.pix_fmt = AV_PIX_FMT_YUV420P;
        venc.time_base = av_inv_q(rate);
        venc.framerate = rate;
        if (scenario_.videoBitRate > 0) venc.bit_rate = scenario_.videoBitRate;
        AVRational srcSar = in->codecpar->sample_aspect_ratio;
        if (srcSar.num <= 0 || srcSar.den <= 0) srcSar = {1, 1};
        av_reduce(&venc.sample_aspect_ratio.num, &venc.sample_aspect_ratio.den,
                  int64_t(in->codecpar->width) * srcSar.num * venc.height,
                  int64_t(in->codecpar->height) * srcSar.den * venc.width, 255);
        OpenEncoder(video_, *vcodec, "video");
        video_.stream->sample_aspect_ratio = venc.sample_aspect_ratio;

        scaled_.reset(CheckAlloc(av_frame_alloc(), "the scaled picture"));
        scaled_->format = venc.pix_fmt;
        scaled_->width = venc.width;
        scaled_->height = venc.height;
        Check(av_frame_get_buffer(scaled_.get(), 0), "allocating the scaled picture");

        if (audioDec_) {
            const AVCodec* acodec = FindEncoder(scenario_.audioEncoder);
            audio_.enc.reset(CheckAlloc(avcodec_alloc_context3(acodec), "an audio encoder context"));
            AVCodecContext& aenc = *audio_.enc;
            aenc.sample_fmt = acodec->sample_fmts ? acodec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
            aenc.sample_rate = audioDec_->sample_rate;
            av_channel_layout_default(&aenc.ch_layout, audioDec_->ch_layout.nb_channels);
            aenc.bit_rate = scenario_.audioBitRate;
            aenc.time_base = {1, aenc.sample_rate};
            OpenEncoder(audio_, *acodec, "audio");

            AVChannelLayout inLayout{};
            if (audioDec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
                av_channel_layout_default(&inLayout, audioDec_->ch_layout.nb_channels);
            else
                Check(av_channel_layout_copy(&inLayout, &audioDec_->ch_layout), "copying the channel layout");
            SwrContext* swr = nullptr;
            const int ret = swr_alloc_set_opts2(&swr, &aenc.ch_layout, aenc.sample_fmt, aenc.sample_rate, &inLayout,
                                                audioDec_->sample_fmt, audioDec_->sample_rate, 0, nullptr);
            av_channel_layout_uninit(&inLayout);
            resampler_.reset(swr);
            Check(ret, "configuring the resampler");
            Check(swr_init(resampler_.get()), "starting the resampler");

            frameSize_ = aenc.frame_size > 0 ? aenc.frame_size : 1024;
            fifo_.reset(CheckAlloc(av_audio_fifo_alloc(aenc.sample_fmt, aenc.ch_layout.nb_channels, frameSize_ * 4),
                                   "the sample fifo"));
            converted_.reset(CheckAlloc(av_frame_alloc(), "the converted samples"));
            audioFrame_.reset(CheckAlloc(av_frame_alloc(), "the audio frame"));
            audioFrame_->format = aenc.sample_fmt;
            audioFrame_->sample_rate = aenc.sample_rate;
            audioFrame_->nb_samples = frameSize_;
            Check(av_channel_layout_copy(&audioFrame_->ch_layout, &aenc.ch_layout), "copying the channel layout");
            Check(av_frame_get_buffer(audioFrame_.get(), 0), "allocating the audio frame");
        }

        if (!(output_->oformat->flags & AVFMT_NOFILE))
            Check(avio_open(&output_->pb, destination_.c_str(), AVIO_FLAG_WRITE), "creating " + destination_);
        Check(avformat_write_header(output_.get(), nullptr), "writing the header");
        packet_.reset(CheckAlloc(av_packet_alloc(), "an output packet"));
        decoded_.reset(CheckAlloc(av_frame_alloc(), "a decoded frame"));
    }

    // Opens `out.enc` (set up but for threads and header placement) single-threaded
    // and adds its stream to the muxer, in the encoder's time base.
    void OpenEncoder(OutputStream& out, const AVCodec& codec, const std::string& kind) {
        AVCodecContext& enc = *out.enc;
        enc.thread_count = 1;
        if (output_->oformat->flags & AVFMT_GLOBALHEADER) enc.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        Check(avcodec_open2(&enc, &codec, nullptr), std::string("opening encoder ") + codec.name);
        out.stream = CheckAlloc(avformat_new_stream(output_.get(), nullptr), "the " + kind + " stream");
        Check(avcodec_parameters_from_context(out.stream->codecpar, &enc), "copying " + kind + " parameters");
        out.stream->time_base = enc.time_base;
    }

    // Sends a packet (nullptr drains) and handles every frame the decoder gives.
    void Decode(AVCodecContext& dec, const AVPacket* pkt, bool video) {
        Check(avcodec_send_packet(&dec, pkt), video ? "decoding video" : "decoding audio");
        for (;;) {
            const int ret = avcodec_receive_frame(&dec, decoded_.get());
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
            Check(ret, video ? "decoding video" : "decoding audio");
            if (video)
                VideoFrame(*decoded_);
            else
                AudioFrame(*decoded_);
            av_frame_unref(decoded_.get());
        }
    }

    void VideoFrame(const AVFrame& frame) {
        if (!scaler_) {
            scaler_.reset(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                                         scaled_->width, scaled_->height, static_cast<AVPixelFormat>(scaled_->format),
                                         SWS_BICUBIC, nullptr, nullptr, nullptr));
            if (!scaler_) Fail("creating the scaler");
        }
        Check(av_frame_make_writable(scaled_.get()), "making the scaled picture writable");
        sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, scaled_->data, scaled_->linesize);
        scaled_->pts = result_.videoFrames++;
        Encode(video_, scaled_.get());
    }

    void AudioFrame(const AVFrame& frame) {
        Convert(frame.extended_data, frame.nb_samples);
        DrainFifo(false);
    }

    // Resamples `count` input samples (nullptr, 0 flushes) into the fifo.
    void Convert(const uint8_t* const* data, int count) {
        const int capacity = swr_get_out_samples(resampler_.get(), count);
        if (capacity <= 0) return;
        if (converted_->nb_samples < capacity) {
            av_frame_unref(converted_.get());
            converted_->format = audio_.enc->sample_fmt;
            converted_->sample_rate = audio_.enc->sample_rate;
            converted_->nb_samples = capacity;
            Check(av_channel_layout_copy(&converted_->ch_layout, &audio_.enc->ch_layout), "copying the layout");
            Check(av_frame_get_buffer(converted_.get(), 0), "allocating the converted samples");
        }
        const int n = Check(swr_convert(resampler_.get(), converted_->extended_data, capacity,
                                        const_cast<const uint8_t**>(data), count),
                            "resampling audio");
        if (n > 0 &&
            av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->extended_data), n) < n)
            Fail("writing to the sample fifo");
    }

    void FlushResampler() { Convert(nullptr, 0); }

    // Encodes whole encoder frames from the fifo; at the end also the short rest.
    void DrainFifo(bool end) {
        for (;;) {
            const int available = av_audio_fifo_size(fifo_.get());
            if (available <= 0 || (available < frameSize_ && !end)) return;
            const int n = std::min(available, frameSize_);
            audioFrame_->nb_samples = frameSize_;
            Check(av_frame_make_writable(audioFrame_.get()), "making the audio frame writable");
            audioFrame_->nb_samples = n;
            if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(audioFrame_->extended_data), n) < n)
                Fail("reading from the sample fifo");
            audioFrame_->pts = result_.audioSamples;
            result_.audioSamples += n;
            Encode(audio_, audioFrame_.get());
        }
    }

    // Sends a frame (nullptr drains) and writes every packet the encoder gives.
    void Encode(OutputStream& out, const AVFrame* frame) {
        Check(avcodec_send_frame(out.enc.get(), frame), "encoding");
        for (;;) {
            const int ret = avcodec_receive_packet(out.enc.get(), packet_.get());
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
            Check(ret, "encoding");
            av_packet_rescale_ts(packet_.get(), out.enc->time_base, out.stream->time_base);
            packet_->stream_index = out.stream->index;
            Check(av_interleaved_write_frame(output_.get(), packet_.get()), "writing a packet");
        }
    }

    std::string destination_;
    const Scenario& scenario_;
    InputFormatPtr input_;
    int videoIndex_ = -1, audioIndex_ = -1;
    CodecContextPtr videoDec_, audioDec_;
    OutputFormatPtr output_;
    OutputStream video_, audio_;
    ScalerPtr scaler_;
    ResamplerPtr resampler_;
    AudioFifoPtr fifo_;
    int frameSize_ = 1024;
    FramePtr scaled_, converted_, audioFrame_, decoded_;
    PacketPtr packet_;
    ReferenceResult result_;
};

}  // namespace

ReferenceResult ReferenceTranscode(const std::string& source, const std::string& destination,
                                   const Scenario& scenario) {
    return Transcoder(source, destination, scenario).Run();
}

}  // namespace vidmorph::bench
