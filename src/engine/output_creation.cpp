// Creating an output file and its streams from the settings.
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
}

#include "conversions.h"
#include "engine.h"

namespace vidmorph {

namespace {

// Wraps a creator failure the way the output creation reports it.
template <typename F>
bool CreateStream(std::string& lastError, const char* what, F&& create) {
    try {
        create();
        return true;
    } catch (const std::exception& e) {
        lastError = std::string(what) + " fail: " + e.what();
        return false;
    }
}

// The rate of `list` (ending with {0, 0}) nearest to `rate`; the earlier
// entry wins a tie.
AVRational NearestRate(AVRational rate, const AVRational* list) {
    AVRational best = list[0];
    AVRational bestError{INT_MAX, 1};
    for (const AVRational* p = list; p->den; ++p) {
        AVRational error = av_sub_q(rate, *p);
        av_reduce(&error.num, &error.den, error.num, error.den, INT_MAX);
        error.num = std::abs(error.num);
        if (int64_t(error.num) * bestError.den < int64_t(bestError.num) * error.den) {
            bestError = error;
            best = *p;
        }
    }
    return best;
}

// Sample aspect ratio of a display aspect on a width x height picture, as a
// fraction whose terms are at most 255.
AVRational SampleAspect(float aspect, int width, int height) {
    if (width <= 0 || height <= 0) return {0, 1};
    const double d = double(aspect) * height / width;
    const int e = std::max(0, static_cast<int>(std::nearbyint(std::log2(std::fabs(d) + 1e-20))));
    const int64_t s = int64_t(1) << ((61 - e) % 32);
    AVRational sar;
    av_reduce(&sar.num, &sar.den, static_cast<int64_t>(std::nearbyint(d * s + 0.5)), s, 255);
    return sar;
}

// "start,end,q/start,end,q...": a positive q fixes the quantiser, otherwise
// -q/100 scales the quality.
void ParseRcOverride(AVCodecContext& codec, const std::string& text) {
    std::vector<RcOverride> groups;
    std::size_t pos = 0;
    const auto number = [&](bool needsSeparator) {
        const char* start = text.c_str() + pos;
        char* end = nullptr;
        const long v = std::strtol(start, &end, 10);
        pos += static_cast<std::size_t>(end - start);
        if (pos >= text.size()) {
            if (needsSeparator) throw FFMpegException("error parsing rc_override");
        } else {
            ++pos;  // the separator
        }
        return static_cast<int>(v);
    };
    while (pos < text.size()) {
        RcOverride o{};
        o.start_frame = number(true);
        o.end_frame = number(true);
        const int q = number(false);
        if (q > 0) {
            o.qscale = q;
            o.quality_factor = 1.0f;
        } else {
            o.qscale = 0;
            o.quality_factor = -q / 100.0f;
        }
        groups.push_back(o);
    }
    av_freep(&codec.rc_override);
    codec.rc_override_count = 0;
    if (groups.empty()) return;
    codec.rc_override = static_cast<RcOverride*>(av_malloc_array(groups.size(), sizeof(RcOverride)));
    if (!codec.rc_override) throw std::bad_alloc();
    std::memcpy(codec.rc_override, groups.data(), groups.size() * sizeof(RcOverride));
    codec.rc_override_count = static_cast<int>(groups.size());
}

uint16_t* CopyMatrix(const uint16_t* m) {
    auto* copy = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, m, 64 * sizeof(uint16_t));
    return copy;
}

AVStream& AddStream(AVFormatContext& output, TLibText& codecName) {
    AVStream* st = avformat_new_stream(&output, nullptr);
    if (!st) {
        codecName.Release();
        throw FFMpegException("Could not alloc stream");
    }
    return *st;
}

CodecContextPtr NewCodecContext(const AVCodec* encoder, AVMediaType kind) {
    CodecContextPtr c(avcodec_alloc_context3(encoder));
    if (!c) throw std::bad_alloc();
    c->codec_type = kind;
    return c;
}

bool InputsHave(const TCustomFFmpeg& e, AVMediaType kind) {
    for (int f = 0; f < e.InputFileCount; ++f) {
        const AVFormatContext* in = e.InputFiles[f].get();
        for (unsigned i = 0; i < in->nb_streams; ++i) {
            const AVStream* st = in->streams[i];
            if (st->codecpar->codec_type < AVMEDIA_TYPE_UNKNOWN || st->codecpar->codec_type >= AVMEDIA_TYPE_NB)
                throw FFMpegException("invalid codec_type of input file");
            if (st->codecpar->codec_type == kind && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) return true;
        }
    }
    return false;
}

}  // namespace

// The encoder a stream uses: the one named (legacy names resolved), else the
// format's guess for the file name. A failed lookup releases the name and
// raises with LastOpenError.
static const AVCodec* ChooseEncoder(TCustomFFmpeg& e, AVFormatContext& output, TLibText& name, AVMediaType kind,
                                    AVCodecID& id) {
    if (name.IsSet()) {
        if (!e.FindCodecId(name.Str(), kind, true, id)) {
            name.Release();
            throw FFMpegException(e.LastOpenError);
        }
        if (const AVCodec* named = avcodec_find_encoder_by_name(name.CStr())) return named;
        return avcodec_find_encoder(id);
    }
    // Subtitles: the format's own subtitle codec (the guess knows no subtitles).
    id = kind == AVMEDIA_TYPE_SUBTITLE ? output.oformat->subtitle_codec
                                        : av_guess_codec(output.oformat, nullptr, output.url, nullptr, kind);
    return id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(id);
}

// The encoder side of a new video or audio stream: its encoder (none for a
// copy), a codec context of the kind, the codec thread count and the tag.
static TOutputCodec BeginStream(TCustomFFmpeg& e, AVFormatContext& output, TLibText& name, bool copy, AVMediaType kind,
                                int tag, AVCodecID& id) {
    TOutputCodec out;
    id = AV_CODEC_ID_NONE;
    if (!copy) out.Encoder = ChooseEncoder(e, output, name, kind, id);
    out.Codec = NewCodecContext(out.Encoder, kind);
    out.Codec->thread_count = e.ThreadCount;
    if (tag) out.Codec->codec_tag = static_cast<unsigned>(tag);
    return out;
}

void TCustomFFmpeg::NewVideoStream(AVFormatContext& Output, std::vector<TOutputCodec>& Codecs) {
    AVStream& st = AddStream(Output, VideoCodecName);
    AVCodecID id;
    TOutputCodec out = BeginStream(*this, Output, VideoCodecName, VideoStreamCopy, AVMEDIA_TYPE_VIDEO, VideoCodecTag, id);
    AVCodecContext& c = *out.Codec;
    AVCodecContext& defaults = *CodecDefaults[AVMEDIA_TYPE_VIDEO];
    if ((VideoGlobalHeader & 1) || (VideoGlobalHeader == 0 && (Output.oformat->flags & AVFMT_GLOBALHEADER))) {
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        defaults.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (VideoGlobalHeader & 2) {
        c.flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
        defaults.flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    }

    if (VideoStreamCopy) {
        out.StreamCopy = true;
    } else {
        AVRational rate = FrameRate.num ? FrameRate : AVRational{25, 1};
        c.codec_id = id;
        CopyGenericOptions(&c, &defaults, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
        if (out.Encoder && out.Encoder->supported_framerates)
            rate = NearestRate(rate, out.Encoder->supported_framerates);
        c.time_base = av_inv_q(rate);
        c.framerate = rate;
        st.time_base = c.time_base;
        c.width = FrameWidth + PadLeft + PadRight;
        c.height = FrameHeight + PadTop + PadBottom;
        c.sample_aspect_ratio = SampleAspect(FrameAspectRatio, c.width, c.height);
        st.sample_aspect_ratio = c.sample_aspect_ratio;
        c.pix_fmt = static_cast<AVPixelFormat>(FramePixelFormat);
        if (out.Encoder && out.Encoder->pix_fmts) {
            bool listed = false;
            for (const AVPixelFormat* p = out.Encoder->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) listed |= *p == c.pix_fmt;
            if (!listed) c.pix_fmt = out.Encoder->pix_fmts[0];
        }
        if (IntraOnly) c.gop_size = 0;
        if (VideoQScale != 0.0f || SameQuality) {
            c.flags |= AV_CODEC_FLAG_QSCALE;
            out.Quality = FF_QP2LAMBDA * VideoQScale;
            c.global_quality = static_cast<int>(out.Quality);
        }
        if (IntraMatrix) c.intra_matrix = CopyMatrix(IntraMatrix.get());
        if (InterMatrix) c.inter_matrix = CopyMatrix(InterMatrix.get());
        if (RcOverride.IsSet()) ParseRcOverride(c, RcOverride.Str());
        if (c.rc_initial_buffer_occupancy == 0) c.rc_initial_buffer_occupancy = c.rc_buffer_size * 3 / 4;
        c.intra_dc_precision = IntraDcPrecision - 8;
        if (Psnr) c.flags |= AV_CODEC_FLAG_PSNR;
        if (PassNumber == 1) c.flags |= AV_CODEC_FLAG_PASS1;
        if (PassNumber == 2) c.flags |= AV_CODEC_FLAG_PASS2;
    }
    Codecs.push_back(std::move(out));
    VideoDisable = 0;
    VideoCodecName.Release();
    VideoStreamCopy = 0;
}

void TCustomFFmpeg::NewAudioStream(AVFormatContext& Output, std::vector<TOutputCodec>& Codecs) {
    AVStream& st = AddStream(Output, AudioCodecName);
    AVCodecID id;
    TOutputCodec out = BeginStream(*this, Output, AudioCodecName, AudioStreamCopy, AVMEDIA_TYPE_AUDIO, AudioCodecTag, id);
    AVCodecContext& c = *out.Codec;
    AVCodecContext& defaults = *CodecDefaults[AVMEDIA_TYPE_AUDIO];
    if (Output.oformat->flags & AVFMT_GLOBALHEADER) {
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        defaults.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (AudioStreamCopy) {
        out.StreamCopy = true;
        av_channel_layout_default(&c.ch_layout, AudioChannels);
    } else {
        c.codec_id = id;
        CopyGenericOptions(&c, &defaults, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
        if (AudioQScale > -99999.0f) {
            c.flags |= AV_CODEC_FLAG_QSCALE;
            out.Quality = FF_QP2LAMBDA * AudioQScale;
            c.global_quality = static_cast<int>(out.Quality);
        }
        av_channel_layout_uninit(&c.ch_layout);
        av_channel_layout_default(&c.ch_layout, AudioChannels);
        // The encoder's own sample format; the audio path converts to it last.
        c.sample_fmt = out.Encoder && out.Encoder->sample_fmts ? out.Encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    }
    c.sample_rate = AudioSampleRate;
    // An encoder that lists its sample rates gets the nearest of them, as the
    // frame rate of a video encoder is chosen from its list.
    if (out.Encoder && out.Encoder->supported_samplerates) {
        int best = out.Encoder->supported_samplerates[0];
        for (const int* r = out.Encoder->supported_samplerates; *r; ++r)
            if (std::abs(*r - AudioSampleRate) < std::abs(best - AudioSampleRate)) best = *r;
        c.sample_rate = best;
    }
    c.time_base = {1, c.sample_rate};
    st.time_base = c.time_base;
    if (!AudioLanguage.empty()) {
        av_dict_set(&st.metadata, "language", AudioLanguage.substr(0, 3).c_str(), 0);
        AudioLanguage.clear();
    }
    Codecs.push_back(std::move(out));
    AudioDisable = 0;
    AudioCodecName.Release();
    AudioStreamCopy = 0;
}

void TCustomFFmpeg::NewSubtitleStream(AVFormatContext& Output, std::vector<TOutputCodec>& Codecs) {
    AVStream* added = avformat_new_stream(&Output, nullptr);
    if (!added) {
        SubtitleCodecName.Release();
        SubtitleLanguage.clear();
        throw FFMpegException("Could not alloc stream");
    }
    AVStream& st = *added;
    TOutputCodec out;
    AVCodecID id = AV_CODEC_ID_NONE;
    if (SubtitleStreamCopy) {
        out.StreamCopy = true;
    } else {
        try {
            out.Encoder = ChooseEncoder(*this, Output, SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, id);
        } catch (...) {
            SubtitleLanguage.clear();
            throw;
        }
    }
    out.Codec = NewCodecContext(out.Encoder, AVMEDIA_TYPE_SUBTITLE);
    out.Codec->codec_id = id;
    if (!out.StreamCopy)
        CopyGenericOptions(out.Codec.get(), CodecDefaults[AVMEDIA_TYPE_SUBTITLE].get(),
                           AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    if (!SubtitleLanguage.empty()) {
        av_dict_set(&st.metadata, "language", SubtitleLanguage.substr(0, 3).c_str(), 0);
        SubtitleLanguage.clear();
    }
    Codecs.push_back(std::move(out));
    SubtitleDisable = 0;
    SubtitleCodecName.Release();
    SubtitleStreamCopy = 0;
}

void TCustomFFmpeg::NewStream(const std::string& Keyword) {
    if (OutputFileCount == 0) throw FFMpegException("At least one output file must be specified");
    AVFormatContext& output = *OutputFiles[OutputFileCount - 1];
    std::vector<TOutputCodec>& codecs = OutputCodecs[OutputFileCount - 1];
    if (Keyword == "newvideo")
        NewVideoStream(output, codecs);
    else if (Keyword == "newaudio")
        NewAudioStream(output, codecs);
    else
        NewSubtitleStream(output, codecs);
}

bool TCustomFFmpeg::OpenOutputFile(const std::string& FileName) {
    struct ClearOnExit {
        TCustomFFmpeg& e;
        ~ClearOnExit() {
            e.ForcedOutputFormat = nullptr;
            e.ForcedInputFormat = nullptr;
        }
    } clearOnExit{*this};

    if (!CodecDefaults[AVMEDIA_TYPE_VIDEO]) {
        LastOpenError = "The codec libraries are not loaded";  // Prepare found them unbound
        return false;
    }
    if (OutputFileCount >= MAX_FILES) {
        LastOpenError = "Too many output files (at most " + std::to_string(MAX_FILES) + ")";
        return false;
    }
    if (!ForcedOutputFormat) ForcedOutputFormat = av_guess_format(nullptr, FileName.c_str(), nullptr);
    if (!ForcedOutputFormat) {
        LastOpenError = "Unable to find a suitable output format for '" + FileName + "'";
        return false;
    }
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, ForcedOutputFormat, nullptr, FileName.c_str()) < 0 || !raw)
        throw std::bad_alloc();
    OutputFormatPtr output(raw);
    const AVOutputFormat* format = output->oformat;

    bool useVideo = format->video_codec != AV_CODEC_ID_NONE || VideoStreamCopy || VideoCodecName.IsSet();
    bool useAudio = format->audio_codec != AV_CODEC_ID_NONE || AudioStreamCopy || AudioCodecName.IsSet();
    // Subtitles by default only where the library can encode the format's own kind.
    bool useSubtitle = (format->subtitle_codec != AV_CODEC_ID_NONE && avcodec_find_encoder(format->subtitle_codec)) ||
                       SubtitleStreamCopy || SubtitleCodecName.IsSet();
    if (InputFileCount > 0) {
        try {
            useVideo = useVideo && InputsHave(*this, AVMEDIA_TYPE_VIDEO);
            useAudio = useAudio && InputsHave(*this, AVMEDIA_TYPE_AUDIO);
            useSubtitle = useSubtitle && InputsHave(*this, AVMEDIA_TYPE_SUBTITLE);
        } catch (const std::exception& e) {
            LastOpenError = std::string("check_audio_video_sub_inputs fail: ") + e.what();
            return false;
        }
    }
    useVideo = useVideo && !VideoDisable;
    useAudio = useAudio && !AudioDisable;
    useSubtitle = useSubtitle && !SubtitleDisable;

    std::vector<TOutputCodec> codecs;
    if (useVideo && !CreateStream(LastOpenError, "new_video_stream", [&] { NewVideoStream(*output, codecs); }))
        return false;
    if (useAudio && !CreateStream(LastOpenError, "new_audio_stream", [&] { NewAudioStream(*output, codecs); }))
        return false;
    if (useSubtitle &&
        !CreateStream(LastOpenError, "new_subtitle_stream", [&] { NewSubtitleStream(*output, codecs); }))
        return false;

    // Metadata, under the keys today's muxers read.
    AVDictionary** meta = &output->metadata;
    if (RecordTimestamp != 0) {
        const std::time_t t = static_cast<std::time_t>(RecordTimestamp);
        std::tm utc{};
        gmtime_r(&t, &utc);
        char iso[32];
        std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
        av_dict_set(meta, "creation_time", iso, 0);
    }
    const auto put = [&](const char* key, const std::string& value, std::size_t limit) {
        if (!value.empty()) av_dict_set(meta, key, value.substr(0, limit).c_str(), 0);
    };
    put("title", Title, 511);
    put("artist", Author, 511);
    put("author", Author, 511);
    put("copyright", Copyright, 511);
    put("comment", Comment, 511);
    put("album", Album, 511);
    if (Year > 0) av_dict_set_int(meta, "date", Year, 0);
    if (Track > 0) av_dict_set_int(meta, "track", Track, 0);
    put("genre", Genre, 31);

    // Steps that can still fail come before the output joins the list, so a
    // failed output is released exactly once, here.
    if ((format->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(output->url)) {
        LastOpenError = ErrorText(output->url, AVERROR(EDOM));
        return false;
    }
    if (!(format->flags & AVFMT_NOFILE) && avio_open(&output->pb, output->url, AVIO_FLAG_WRITE) < 0) {
        LastOpenError = "Could not open '" + FileName + "'";
        return false;
    }
    output->max_delay = static_cast<int>(MuxMaxDelay * 1000000);
    // Muxers that still have a preload or a loop count take them as options.
    if (output->priv_data) {
        if (av_opt_find(output->priv_data, "preload", nullptr, 0, 0))
            av_opt_set_int(output->priv_data, "preload", static_cast<int64_t>(MuxPreload * 1000000), 0);
        if (av_opt_find(output->priv_data, "loop", nullptr, 0, 0))
            av_opt_set_int(output->priv_data, "loop", LoopOutput, 0);
    }
    CopyGenericOptions(output.get(), FormatDefaults.get(), AV_OPT_FLAG_ENCODING_PARAM);

    OutputCodecs[OutputFileCount] = std::move(codecs);
    OutputFiles[OutputFileCount] = std::move(output);
    ++OutputFileCount;
    return true;
}

}  // namespace vidmorph
