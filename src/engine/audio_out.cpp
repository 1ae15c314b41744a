// The audio output path on 16-bit interleaved samples: sync (drop, insert
// silence, or stretch), rate and channel conversion, encoder-sized frames.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include "engine.h"
#include "text_format.h"

namespace vidmorph {

namespace {

constexpr int kSilenceLimit = 131072;  // bytes of silence and block together


// A converter between 16-bit interleaved samples of (channels, rate) pairs,
// or into another sample format.
SwrContext* NewConverter(int outChannels, AVSampleFormat outFormat, int outRate, int inChannels, int inRate) {
    AVChannelLayout outLayout, inLayout;
    av_channel_layout_default(&outLayout, outChannels);
    av_channel_layout_default(&inLayout, inChannels);
    SwrContext* swr = nullptr;
    const bool ok = swr_alloc_set_opts2(&swr, &outLayout, outFormat, outRate, &inLayout, AV_SAMPLE_FMT_S16, inRate, 0,
                                        nullptr) >= 0 &&
                    swr_init(swr) >= 0;
    av_channel_layout_uninit(&outLayout);
    av_channel_layout_uninit(&inLayout);
    if (!ok) swr_free(&swr);
    return swr;
}

}  // namespace

void TCustomFFmpeg::EncodeAudioBlock(OutputStreamState& ost, const uint8_t* samples, int count) {
    AVCodecContext& enc = *ost.Codec;
    const int channels = enc.ch_layout.nb_channels;
    if (!ost.FromS16) {
        ost.FromS16.reset(NewConverter(channels, enc.sample_fmt, enc.sample_rate, channels, enc.sample_rate));
        if (!ost.FromS16)
            throw FFMpegException(Printf("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", channels,
                                         enc.sample_rate, channels, enc.sample_rate));
    }
    if (!ost.EncodeFrame) ost.EncodeFrame.reset(av_frame_alloc());
    AVFrame* frame = ost.EncodeFrame.get();
    if (!frame) throw std::bad_alloc();
    // A fresh buffer when the size changes or the encoder still holds the last one.
    if (frame->nb_samples != count || !frame->buf[0]) {
        av_frame_unref(frame);
        frame->format = enc.sample_fmt;
        frame->sample_rate = enc.sample_rate;
        frame->nb_samples = count;
        if (av_channel_layout_copy(&frame->ch_layout, &enc.ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
            throw std::bad_alloc();
    } else if (av_frame_make_writable(frame) < 0) {
        throw std::bad_alloc();
    }
    if (swr_convert(ost.FromS16.get(), frame->extended_data, count, &samples, count) < 0)
        throw FFMpegException("Audio encoding failed");
    frame->pts = ost.SyncOpts;
    EncodeAndWrite(ost, frame, AudioBytes);
}

void TCustomFFmpeg::AudioOut(OutputStreamState& ost, InputStreamState& ist, const uint8_t* data, int size) {
    AVCodecContext& enc = *ost.Codec;
    // The block's own layout: a decoder asked to mix down delivers fewer channels than its stream has.
    const int outChannels = enc.ch_layout.nb_channels, outRate = enc.sample_rate;
    const int inChannels = ist.BlockChannels, inRate = ist.BlockRate;
    if (outChannels <= 0 || inChannels <= 0 || outRate <= 0 || inRate <= 0) return;
    const int frameSize = enc.frame_size;

    // A block of another channel count or rate than the output (also when the
    // input changes mid-stream) goes through the resampler.
    if (outChannels != inChannels || outRate != inRate) ost.AudioResample = true;
    if (ost.AudioResample && (!ost.Resampler || ost.ResamplerInChannels != inChannels || ost.ResamplerInRate != inRate)) {
        ost.ResamplerInChannels = inChannels;
        ost.ResamplerInRate = inRate;
        ost.Resampler.reset(NewConverter(outChannels, AV_SAMPLE_FMT_S16, outRate, inChannels, inRate));
        if (!ost.Resampler)
            throw FFMpegException(Printf("Can not resample %d channels @ %d Hz to %d channels @ %d Hz", inChannels,
                                         inRate, outChannels, outRate));
    }

    // Audio sync.
    const int64_t fifoSamples = static_cast<int64_t>(av_fifo_can_read(ost.SampleFifo.get())) / (outChannels * 2);
    const double syncTime = (ost.SyncInput->Pts - StartTime) / 1000000.0;
    if (AudioSyncMethod != 0) {
        const double delta = syncTime * outRate - ost.SyncOpts - fifoSamples;
        const double inputDelta = delta * inRate / outRate;
        const double limit = double(INT_MAX) / (2 * inChannels);
        int byteDelta = static_cast<int>(std::clamp(inputDelta, -limit, limit)) * 2 * inChannels;
        if (std::fabs(delta) > 50) {
            if (ist.IsStart || std::fabs(delta) > AudioDriftThreshold * outRate) {
                if (byteDelta < 0) {
                    byteDelta = std::max(byteDelta, -size);
                    size += byteDelta;
                    data -= byteDelta;
                    if (Verbosity > 2) Log(1, Printf("discarding %d audio samples", static_cast<int>(-delta)));
                    if (size <= 0) return;
                    ist.IsStart = false;
                } else {
                    if (byteDelta + size <= kSilenceLimit) {
                        ist.IsStart = false;
                    } else {
                        // Silence and block fill the limit; the rest comes before the next block.
                        byteDelta = std::max(0, kSilenceLimit - size);
                        byteDelta -= byteDelta % (2 * inChannels);
                    }
                    SilenceBuffer.resize(static_cast<std::size_t>(byteDelta + size));
                    std::memset(SilenceBuffer.data(), 0, static_cast<std::size_t>(byteDelta));
                    std::memcpy(SilenceBuffer.data() + byteDelta, data, static_cast<std::size_t>(size));
                    data = SilenceBuffer.data();
                    size += byteDelta;
                    if (Verbosity > 2)
                        Log(1, Printf("adding %d audio samples of silence", static_cast<int>(delta)));
                }
            } else if (AudioSyncMethod > 1) {
                const int compensation = std::clamp(static_cast<int>(delta), -AudioSyncMethod, AudioSyncMethod);
                if (Verbosity > 2)
                    Log(1, Printf("compensating audio timestamp drift:%f compensation:%d in:%d", delta, compensation,
                                  outRate));
                if (ost.Resampler) swr_set_compensation(ost.Resampler.get(), compensation, outRate);
            }
        }
    } else {
        ost.SyncOpts = std::llrint(syncTime * outRate) - fifoSamples;
    }

    // Rate and channel conversion.
    const uint8_t* out = data;
    int outSize = size;
    if (ost.AudioResample) {
        const int inSamples = size / (inChannels * 2);
        const int capacity = swr_get_out_samples(ost.Resampler.get(), inSamples);
        const std::size_t needed = std::max<std::size_t>(262144, std::size_t(capacity) * outChannels * 2);
        if (ResampleBuffer.size() < needed) ResampleBuffer.resize(needed);
        uint8_t* target = ResampleBuffer.data();
        const int n = swr_convert(ost.Resampler.get(), &target, capacity, &data, inSamples);
        if (n < 0) return;
        out = ResampleBuffer.data();
        outSize = n * outChannels * 2;
    }

    if (frameSize > 1) {
        if (av_fifo_write(ost.SampleFifo.get(), out, static_cast<std::size_t>(outSize)) < 0) throw std::bad_alloc();
        const std::size_t frameBytes = std::size_t(frameSize) * 2 * outChannels;
        std::vector<uint8_t>& frameBuffer = ResampleBuffer;
        while (av_fifo_can_read(ost.SampleFifo.get()) >= frameBytes) {
            if (frameBuffer.size() < frameBytes) frameBuffer.resize(std::max<std::size_t>(262144, frameBytes));
            av_fifo_read(ost.SampleFifo.get(), frameBuffer.data(), frameBytes);
            EncodeAudioBlock(ost, frameBuffer.data(), frameSize);
            ost.SyncOpts += frameSize;
        }
    } else if (outSize > 0) {
        // Encoders without a frame size (PCM) take the whole block at once.
        const int samples = outSize / (2 * outChannels);
        EncodeAudioBlock(ost, out, samples);
        ost.SyncOpts += samples;
    }
}

void TCustomFFmpeg::FlushAudio(OutputStreamState& ost) {
    AVCodecContext& enc = *ost.Codec;
    const int channels = enc.ch_layout.nb_channels;
    const int frameSize = enc.frame_size;
    if (channels <= 0) return;

    // What the resampler still holds.
    if (ost.Resampler) {
        const int capacity = swr_get_out_samples(ost.Resampler.get(), 0);
        if (capacity > 0) {
            std::vector<uint8_t> rest(std::size_t(capacity) * channels * 2);
            uint8_t* target = rest.data();
            const int n = swr_convert(ost.Resampler.get(), &target, capacity, nullptr, 0);
            if (n > 0) {
                if (frameSize > 1) {
                    av_fifo_write(ost.SampleFifo.get(), rest.data(), std::size_t(n) * channels * 2);
                } else {
                    EncodeAudioBlock(ost, rest.data(), n);
                    ost.SyncOpts += n;
                }
            }
        }
    }
    if (frameSize <= 1) return;

    // Whole frames first, then the short rest: as a short last frame when the
    // encoder takes one, otherwise padded with silence so nothing is lost.
    const std::size_t frameBytes = std::size_t(frameSize) * 2 * channels;
    std::vector<uint8_t> block(frameBytes);
    while (av_fifo_can_read(ost.SampleFifo.get()) > 0) {
        const std::size_t available = std::min(av_fifo_can_read(ost.SampleFifo.get()), frameBytes);
        std::fill(block.begin(), block.end(), 0);
        av_fifo_read(ost.SampleFifo.get(), block.data(), available);
        const int samples = static_cast<int>(available / (2 * channels));
        const bool shortAllowed = enc.codec->capabilities &
                                  (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        const int count = samples < frameSize && !shortAllowed ? frameSize : samples;
        EncodeAudioBlock(ost, block.data(), count);
        ost.SyncOpts += count;
    }
    EncodeAndWrite(ost, nullptr, AudioBytes);
}

}  // namespace vidmorph
