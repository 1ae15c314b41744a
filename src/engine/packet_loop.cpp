// The second phase of a run: the packet loop, the decode/copy of each packet
// and the end of the run (flush, trailers, final report, codecs closed).
#include <algorithm>
#include <chrono>
#include <cstring>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <thread>

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/time.h>
}

#include "engine.h"

namespace vidmorph {

namespace {

bool Valid(int64_t ts) { return ts != AV_NOPTS_VALUE; }

// Slot of MaxFrames for a stream kind.
int FrameSlot(AVMediaType kind) {
    switch (kind) {
        case AVMEDIA_TYPE_VIDEO: return fkVideo;
        case AVMEDIA_TYPE_AUDIO: return fkAudio;
        case AVMEDIA_TYPE_SUBTITLE: return fkSubtitle;
        default: return fkData;
    }
}

// Output position of a stream in seconds: frames sent to an encoded video
// stream, the end of the last written packet for every other stream.
double OutputTime(const OutputStreamState& ost) {
    if (ost.EncodingNeeded && ost.Codec->codec_type == AVMEDIA_TYPE_VIDEO)
        return ost.SyncOpts * av_q2d(ost.Codec->time_base);
    return ost.CurrentTs * av_q2d(ost.Stream->time_base);
}

// Expected duration in microseconds of a video frame of the stream.
int64_t FrameDuration(const AVStream* st) {
    AVRational rate = st->r_frame_rate.num > 0 ? st->r_frame_rate : st->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = {25, 1};
    return av_rescale_q(1, av_inv_q(rate), AV_TIME_BASE_Q);
}

}  // namespace

void TCustomFFmpeg::Transcode() {
    TranscodeSetup();
    PacketLoop();
    EndOfRun();
}

void TCustomFFmpeg::PacketLoop() {
    const PacketPtr pkt(av_packet_alloc());
    if (!pkt) throw std::bad_alloc();
    while (!StopRequested) {
        CheckPaused();
        if (StopRequested) break;

        // 1-2: the input whose output lags most, and the end conditions.
        int file = -1;
        double inputMin = 1e100, outputMin = 1e100;
        for (const auto& ost : OutputStreamTable) {
            const InputStreamState& ist = *InputStreamTable[ost->SourceIndex];
            const double outputTime = OutputTime(*ost);
            const double inputTime = static_cast<double>(ist.Pts);
            if (!InputFileTable[ist.FileIndex].EofReached) {
                if (inputTime < inputMin) {
                    inputMin = inputTime;
                    if (InputSync) file = ist.FileIndex;
                }
                if (outputTime < outputMin) {
                    outputMin = outputTime;
                    if (!InputSync) file = ist.FileIndex;
                }
            }
            if (ost->FrameNumber >= MaxFrames[FrameSlot(ost->Codec->codec_type)]) {
                file = -1;
                break;
            }
        }
        if (file < 0) break;
        if (RecordingTime / 1000000.0 <= outputMin) break;
        if (LimitFileSize != 0 && OutputFiles[0]->pb &&
            static_cast<uint64_t>(avio_tell(OutputFiles[0]->pb)) > LimitFileSize)
            break;

        // 3-5: read a packet of a stream that feeds something.
        AVFormatContext* input = InputFiles[file].get();
        if (av_read_frame(input, pkt.get()) < 0) {
            InputFileTable[file].EofReached = true;
            if (Shortest) break;
            continue;
        }
        if (PacketDump) av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, pkt.get(), HexDump, input->streams[pkt->stream_index]);
        const int index = pkt->stream_index;
        if (index >= InputFileTable[file].StreamCount ||
            InputStreamTable[InputFileTable[file].FirstStream + index]->Discard) {
            av_packet_unref(pkt.get());
            continue;
        }
        InputStreamState& ist = *InputStreamTable[InputFileTable[file].FirstStream + index];
        const AVRational tb = ist.Stream->time_base;

        // 6-8: offset, scale and discontinuity of the timestamps.
        const int64_t offset = av_rescale_q(InputFileTsOffsets[file], AV_TIME_BASE_Q, tb);
        if (Valid(pkt->dts)) pkt->dts += offset;
        if (Valid(pkt->pts)) pkt->pts += offset;
        if (index < MAX_STREAMS && InputFileTsScales[file][index] != 0.0) {
            const double scale = InputFileTsScales[file][index];
            if (Valid(pkt->pts)) pkt->pts = std::llrint(pkt->pts * scale);
            if (Valid(pkt->dts)) pkt->dts = std::llrint(pkt->dts * scale);
        }
        if (Valid(pkt->dts) && Valid(ist.NextPts) && !CopyTimestamps) {
            const int64_t dtsUs = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
            const int64_t delta = dtsUs - ist.NextPts;
            if (std::llabs(delta) > static_cast<int64_t>(DtsDeltaThreshold * 1000000.0) || dtsUs + 1 < ist.Pts) {
                InputFileTsOffsets[file] -= delta;
                if (Verbosity > 2)
                    Log(1, "timestamp discontinuity " + std::to_string(delta) +
                               ", new offset= " + std::to_string(InputFileTsOffsets[file]));
                const int64_t shift = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
                pkt->dts -= shift;
                if (Valid(pkt->pts)) pkt->pts -= shift;
            }
        }

        // 9-11: decode or copy, then progress.
        if (OutputPacket(ist, pkt.get()) < 0) {
            if (Verbosity >= 0)
                Log(1, "Error while decoding stream #" + std::to_string(ist.FileIndex) + "." +
                           std::to_string(ist.StreamIndex));
            av_packet_unref(pkt.get());
            continue;
        }
        av_packet_unref(pkt.get());
        const int64_t now = av_gettime();
        if (now - LastReportTime > ReportInterval) {
            LastReportTime = now;
            Report(false);
        }
    }
}

void TCustomFFmpeg::EndOfRun() {
    for (const auto& ist : InputStreamTable)
        if (ist->DecodingNeeded) OutputPacket(*ist, nullptr);
    for (int f = 0; f < OutputFileCount; ++f) {
        AVFormatContext& output = *OutputFiles[f];
        int written = av_write_trailer(&output);
        if (written >= 0 && output.pb) written = output.pb->error;
        if (written < 0) throw FFMpegException(ErrorText(output.url ? output.url : "", written));
    }
    Report(true);
    for (const auto& ost : OutputStreamTable) {
        if (!ost->EncodingNeeded || !ost->Setup->Codec) continue;
        av_freep(&ost->Setup->Codec->stats_in);
        std::lock_guard lock(CodecLock());
        ost->Setup->Codec.reset();
        ost->Codec = nullptr;
        OpenEncoders.remove(&ost->Setup->Codec);
    }
    for (const auto& ist : InputStreamTable) {
        if (!ist->DecodingNeeded) continue;
        CodecContextPtr& holder = InputCodecs[ist->FileIndex][ist->StreamIndex].Codec;
        std::lock_guard lock(CodecLock());
        holder.reset();
        ist->Codec = nullptr;
        OpenDecoders.remove(&holder);
    }
    Finished = !StopRequested;
    ReleaseStreamTables();
}

// Reading at the input's own pace: wait while the stream is ahead of the clock.
static void EmulateRate(InputStreamState& ist) {
    const AVRational period = av_inv_q(ist.Stream->r_frame_rate.num > 0 ? ist.Stream->r_frame_rate : AVRational{25, 1});
    const int64_t target = av_rescale(int64_t(ist.FrameCount) * period.num, 1000000, period.den);
    const int64_t ahead = target - (av_gettime() - ist.ReadStart);
    if (ahead > 50000) std::this_thread::sleep_for(std::chrono::milliseconds(ahead / 1000));
    ++ist.FrameCount;
}

int TCustomFFmpeg::OutputPacket(InputStreamState& ist, AVPacket* pkt) {
    if (!Valid(ist.NextPts)) ist.NextPts = ist.Pts;
    if (pkt && Valid(pkt->dts)) ist.Pts = ist.NextPts = av_rescale_q(pkt->dts, ist.Stream->time_base, AV_TIME_BASE_Q);
    const AVMediaType kind = ist.Stream->codecpar->codec_type;
    const bool rateEmulation = InputCodecs[ist.FileIndex][ist.StreamIndex].RateEmulation;

    if (pkt) {
        // Copied outputs take the packet as it is.
        bool copies = false;
        for (const auto& ost : OutputStreamTable)
            copies = copies || (!ost->EncodingNeeded && InputStreamTable[ost->SourceIndex].get() == &ist);
        if (copies || !ist.DecodingNeeded) {
            if (!ist.DecodingNeeded) {
                ist.Pts = ist.NextPts;
                const AVCodecParameters& par = *ist.Stream->codecpar;
                if (pkt->duration > 0)
                    ist.NextPts += av_rescale_q(pkt->duration, ist.Stream->time_base, AV_TIME_BASE_Q);
                else if (kind == AVMEDIA_TYPE_AUDIO && par.sample_rate > 0)
                    ist.NextPts += int64_t(1000000) * par.frame_size / par.sample_rate;
                else if (kind == AVMEDIA_TYPE_VIDEO)
                    ist.NextPts += FrameDuration(ist.Stream);
                if (rateEmulation) EmulateRate(ist);
            }
            if (StartTime == 0 || ist.Pts >= StartTime) {
                for (const auto& ost : OutputStreamTable)
                    if (!ost->EncodingNeeded && InputStreamTable[ost->SourceIndex].get() == &ist)
                        CopyPacket(*ost, ist, *pkt);
            }
        }
    }
    if (!ist.DecodingNeeded) return 0;

    switch (kind) {
        case AVMEDIA_TYPE_AUDIO:
        case AVMEDIA_TYPE_VIDEO: {
            if (!ist.Decoded) ist.Decoded.reset(av_frame_alloc());
            if (!ist.Decoded) throw std::bad_alloc();
            int sent = avcodec_send_packet(ist.Codec, pkt);
            if (sent < 0 && sent != AVERROR_EOF) return -1;
            int frames = 0;
            for (;;) {
                const int got = avcodec_receive_frame(ist.Codec, ist.Decoded.get());
                if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
                if (got < 0) return -1;
                if (pkt && frames++ > 0 && Verbosity > 0)
                    Log(0, "Multiple frames in a packet from stream " + std::to_string(pkt->stream_index));
                if (kind == AVMEDIA_TYPE_AUDIO)
                    HandleDecodedAudio(ist, *ist.Decoded);
                else
                    HandleDecodedVideo(ist, *ist.Decoded);
                av_frame_unref(ist.Decoded.get());
            }
            break;
        }
        case AVMEDIA_TYPE_SUBTITLE: {
            if (!pkt) break;
            AVSubtitle sub{};
            int got = 0;
            if (avcodec_decode_subtitle2(ist.Codec, &sub, &got, pkt) < 0) return -1;
            if (!got) break;
            ist.Pts = ist.NextPts;
            if (StartTime == 0 || ist.Pts >= StartTime) {
                for (const auto& ost : OutputStreamTable)
                    if (ost->EncodingNeeded && InputStreamTable[ost->SourceIndex].get() == &ist) {
                        try {
                            SubtitleOut(*ost, ist, sub, pkt->pts);
                        } catch (...) {
                            avsubtitle_free(&sub);
                            throw;
                        }
                    }
            }
            avsubtitle_free(&sub);
            break;
        }
        default:
            return -1;
    }

    if (!pkt) {
        for (const auto& ost : OutputStreamTable) {
            if (!ost->EncodingNeeded || InputStreamTable[ost->SourceIndex].get() != &ist) continue;
            if (ost->Codec->codec_type == AVMEDIA_TYPE_AUDIO) FlushAudio(*ost);
            if (ost->Codec->codec_type == AVMEDIA_TYPE_VIDEO) FlushVideo(*ost);
        }
    }
    return 0;
}

void TCustomFFmpeg::HandleDecodedAudio(InputStreamState& ist, AVFrame& frame) {
    ist.Pts = ist.NextPts;
    const int channels = frame.ch_layout.nb_channels;
    if (channels <= 0 || frame.sample_rate <= 0 || frame.nb_samples <= 0) return;
    ist.BlockChannels = channels;
    ist.BlockRate = frame.sample_rate;

    // The audio path works on 16-bit interleaved samples.
    const uint8_t* data = frame.data[0];
    int size = frame.nb_samples * channels * 2;
    if (frame.format != AV_SAMPLE_FMT_S16) {
        if (!ist.ToS16 || ist.ToS16Format != frame.format || ist.ToS16Rate != frame.sample_rate ||
            ist.ToS16Channels != channels) {
            SwrContext* swr = nullptr;
            if (swr_alloc_set_opts2(&swr, &frame.ch_layout, AV_SAMPLE_FMT_S16, frame.sample_rate, &frame.ch_layout,
                                    static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr) < 0 ||
                swr_init(swr) < 0) {
                swr_free(&swr);
                throw FFMpegException("Can not convert the decoded audio of stream #" + std::to_string(ist.FileIndex) +
                                      "." + std::to_string(ist.StreamIndex));
            }
            ist.ToS16.reset(swr);
            ist.ToS16Format = frame.format;
            ist.ToS16Rate = frame.sample_rate;
            ist.ToS16Channels = channels;
        }
        const int capacity = swr_get_out_samples(ist.ToS16.get(), frame.nb_samples);
        const std::size_t needed = std::max<std::size_t>(192000, std::size_t(capacity) * channels * 2);
        if (DecodeBuffer.size() < needed) DecodeBuffer.resize(needed);
        uint8_t* out = DecodeBuffer.data();
        const int n = swr_convert(ist.ToS16.get(), &out, capacity, const_cast<const uint8_t**>(frame.extended_data),
                                  frame.nb_samples);
        if (n < 0) return;
        data = DecodeBuffer.data();
        size = n * channels * 2;
    } else if (AudioVolume != 256) {
        // The volume changes the samples: work on a copy, not the decoder's frame.
        if (DecodeBuffer.size() < static_cast<std::size_t>(size)) DecodeBuffer.resize(std::max(size, 192000));
        std::memcpy(DecodeBuffer.data(), frame.data[0], static_cast<std::size_t>(size));
        data = DecodeBuffer.data();
    }
    ist.NextPts += int64_t(500000) * size / (int64_t(frame.sample_rate) * channels);

    if (AudioVolume != 256) {
        auto* samples = reinterpret_cast<int16_t*>(const_cast<uint8_t*>(data));
        for (int i = 0; i < size / 2; ++i) {
            const int v = (samples[i] * AudioVolume + 128) >> 8;
            samples[i] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
        }
    }
    if (InputCodecs[ist.FileIndex][ist.StreamIndex].RateEmulation) EmulateRate(ist);
    if (StartTime != 0 && ist.Pts < StartTime) return;
    for (const auto& ost : OutputStreamTable)
        if (ost->EncodingNeeded && InputStreamTable[ost->SourceIndex].get() == &ist)
            AudioOut(*ost, ist, data, size);
}

void TCustomFFmpeg::HandleDecodedVideo(InputStreamState& ist, AVFrame& frame) {
    // The picture's own timestamp where the decoder knows it.
    ist.Pts = Valid(frame.best_effort_timestamp)
                  ? av_rescale_q(frame.best_effort_timestamp, ist.Stream->time_base, AV_TIME_BASE_Q)
                  : ist.NextPts;
    ist.NextPts = ist.Pts + (frame.pkt_duration > 0
                                 ? av_rescale_q(frame.pkt_duration, ist.Stream->time_base, AV_TIME_BASE_Q)
                                 : FrameDuration(ist.Stream));
    ist.Quality = static_cast<float>(frame.quality);
    if (InputCodecs[ist.FileIndex][ist.StreamIndex].RateEmulation) EmulateRate(ist);
    if (StartTime != 0 && ist.Pts < StartTime) return;
    for (const auto& ost : OutputStreamTable) {
        if (!ost->EncodingNeeded || InputStreamTable[ost->SourceIndex].get() != &ist) continue;
        int frameSize = 0;
        VideoOut(*ost, ist, frame, frameSize);
        if (VstatsFileName.IsSet() && frameSize > 0) WriteVideoStats(*ost, frameSize);
    }
}

void TCustomFFmpeg::CopyPacket(OutputStreamState& ost, InputStreamState& ist, const AVPacket& pkt) {
    if (ost.FrameNumber == 0 && !(pkt.flags & AV_PKT_FLAG_KEY)) return;  // start at a key frame
    const AVMediaType kind = ost.Codec->codec_type;
    if (kind == AVMEDIA_TYPE_AUDIO) AudioBytes += pkt.size;
    if (kind == AVMEDIA_TYPE_VIDEO) {
        VideoBytes += pkt.size;
        ++ost.SyncOpts;
    }
    if (!CopiedPacket) CopiedPacket.reset(av_packet_alloc());
    if (!CopiedPacket || av_packet_ref(CopiedPacket.get(), &pkt) < 0) throw std::bad_alloc();
    AVPacket* out = CopiedPacket.get();
    const AVRational from = ist.Stream->time_base, to = ost.Stream->time_base;
    out->stream_index = ost.StreamIndex;
    out->pts = Valid(pkt.pts) ? av_rescale_q(pkt.pts, from, to) : AV_NOPTS_VALUE;
    out->dts = Valid(pkt.dts) ? av_rescale_q(pkt.dts, from, to) : av_rescale_q(ist.Pts, AV_TIME_BASE_Q, to);
    out->duration = av_rescale_q(pkt.duration, from, to);
    out->pos = -1;
    WritePacket(ost, *out);  // the muxer takes the reference
    ++ost.FrameNumber;
}

void TCustomFFmpeg::WritePacket(OutputStreamState& ost, AVPacket& pkt) {
    const int64_t start = Valid(pkt.dts) ? pkt.dts : pkt.pts;
    if (Valid(start)) ost.CurrentTs = std::max(ost.CurrentTs, start + std::max<int64_t>(pkt.duration, 0));
    const int written = av_interleaved_write_frame(OutputFiles[ost.FileIndex].get(), &pkt);
    if (written < 0) throw FFMpegException(ErrorText("av_interleaved_write_frame()", written));
}

void TCustomFFmpeg::SubtitleOut(OutputStreamState& ost, InputStreamState& ist, AVSubtitle& sub, int64_t pts) {
    if (!Valid(pts)) {
        Log(0, "Subtitle packets must have a pts");
        return;
    }
    if (SubtitleBuffer.size() < 1024 * 1024) SubtitleBuffer.resize(1024 * 1024);
    const bool dvb = ost.Codec->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
    // Encoders take subtitles that start at their own timestamp.
    const int64_t startMs = sub.start_display_time;
    sub.end_display_time -= static_cast<uint32_t>(startMs);
    sub.start_display_time = 0;
    const int64_t basePts =
        av_rescale_q(pts, ist.Stream->time_base, ost.Stream->time_base) + av_rescale_q(startMs, {1, 1000}, ost.Stream->time_base);
    sub.pts = av_rescale_q(pts, ist.Stream->time_base, AV_TIME_BASE_Q) + startMs * 1000;
    for (int i = 0; i < (dvb ? 2 : 1); ++i) {
        const int size = avcodec_encode_subtitle(ost.Codec, SubtitleBuffer.data(),
                                                 static_cast<int>(SubtitleBuffer.size()), &sub);
        if (size < 0) {
            // One subtitle the encoder cannot take (a picture for a text
            // encoder, say) is left out; the conversion goes on.
            Log(0, "Subtitle encoding failed");
            return;
        }
        const PacketPtr out(av_packet_alloc());
        if (!out || av_new_packet(out.get(), size) < 0) throw std::bad_alloc();
        std::memcpy(out->data, SubtitleBuffer.data(), static_cast<std::size_t>(size));
        out->stream_index = ost.StreamIndex;
        out->pts = out->dts = basePts;
        if (dvb) out->pts = out->dts = basePts + 90 * (i == 0 ? sub.start_display_time : sub.end_display_time);
        out->duration = av_rescale_q(sub.end_display_time - sub.start_display_time, AVRational{1, 1000},
                                     ost.Stream->time_base);
        WritePacket(ost, *out);
    }
}

int TCustomFFmpeg::EncodeAndWrite(OutputStreamState& ost, const AVFrame* frame, int64_t& bytes) {
    AVCodecContext& enc = *ost.Codec;
    const bool video = enc.codec_type == AVMEDIA_TYPE_VIDEO;
    const int sent = avcodec_send_frame(&enc, frame);
    if (sent < 0 && sent != AVERROR_EOF) throw FFMpegException(video ? "Video encoding failed" : "Audio encoding failed");
    if (!EncodedPacket) EncodedPacket.reset(av_packet_alloc());
    if (!EncodedPacket) throw std::bad_alloc();
    AVPacket* pkt = EncodedPacket.get();
    int last = 0;
    for (;;) {
        const int got = avcodec_receive_packet(&enc, pkt);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
        if (got < 0) throw FFMpegException(video ? "Video encoding failed" : "Audio encoding failed");
        std::size_t sideSize = 0;
        if (const uint8_t* stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &sideSize);
            stats && sideSize >= 8) {
            ost.CodedQuality = static_cast<int>(AV_RL32(stats));
            ost.CodedPictType = stats[4];
            const int errors = std::min<int>(stats[5], 4);
            for (int i = 0; i < errors && sideSize >= std::size_t(8 + 8 * (i + 1)); ++i)
                ost.CodedError[i] = AV_RL64(stats + 8 + 8 * i);
        }
        if (!video) pkt->flags |= AV_PKT_FLAG_KEY;
        pkt->stream_index = ost.StreamIndex;
        av_packet_rescale_ts(pkt, enc.time_base, ost.Stream->time_base);
        last = pkt->size;
        bytes += pkt->size;
        if (ost.PassLogFile && enc.stats_out) std::fprintf(ost.PassLogFile.get(), "%s", enc.stats_out);
        WritePacket(ost, *pkt);
        av_packet_unref(pkt);
    }
    return last;
}

void TCustomFFmpeg::FlushVideo(OutputStreamState& ost) { EncodeAndWrite(ost, nullptr, VideoBytes); }

}  // namespace vidmorph
