// Opening an input file: demuxer options from the settings, forced decoders,
// stream probe, start position, and the stream parameters that flow back into
// the settings for the output created afterwards.
#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "engine.h"
#include "library_binding.h"

namespace vidmorph {

namespace {

struct DictDeleter {
    void operator()(AVDictionary* d) const noexcept { av_dict_free(&d); }
};

// A cover picture travels as a video stream but is no moving picture.
bool IsAttachedPicture(const AVStream* st) { return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0; }

const char* KindText(bool encoder) { return encoder ? "encoder" : "decoder"; }

const AVCodec* FindByName(const std::string& name, bool encoder) {
    return encoder ? avcodec_find_encoder_by_name(name.c_str()) : avcodec_find_decoder_by_name(name.c_str());
}

}  // namespace

bool TCustomFFmpeg::FindCodecId(const std::string& Name, AVMediaType Kind, bool Encoder, AVCodecID& Id) {
    Id = AV_CODEC_ID_NONE;
    if (Name.empty()) return true;
    const AVCodec* codec = FindByName(Name, Encoder);
    if (!codec && ResolveLegacyCodecName(Name) != Name) codec = FindByName(ResolveLegacyCodecName(Name), Encoder);
    if (!codec) {
        LastOpenError = "Unknown " + std::string(KindText(Encoder)) + " '" + Name + "'";
        return false;
    }
    if (codec->type != Kind) {
        LastOpenError = "Invalid " + std::string(KindText(Encoder)) + " type '" + Name + "'";
        return false;
    }
    Id = codec->id;
    return true;
}

void TCustomFFmpeg::ClearInputSettings() {
    ForcedInputFormat = nullptr;
    ForcedOutputFormat = nullptr;
    VideoChannel = 0;
    RateEmulation = 0;
    VideoCodecName.Release();
    AudioCodecName.Release();
    SubtitleCodecName.Release();
}

bool TCustomFFmpeg::OpenInputFile(const std::string& FileName) {
    // Whatever happens, the settings that belong to one input are cleared.
    struct ClearOnExit {
        TCustomFFmpeg& e;
        ~ClearOnExit() { e.ClearInputSettings(); }
    } clearOnExit{*this};

    if (!CodecDefaults[AVMEDIA_TYPE_VIDEO]) {
        LastOpenError = "The codec libraries are not loaded";  // Prepare found them unbound
        return false;
    }
    if (InputFileCount >= MAX_FILES) {
        LastOpenError = "Too many input files (at most " + std::to_string(MAX_FILES) + ")";
        return false;
    }
    InputFormatPtr context(avformat_alloc_context());
    if (!context) throw std::bad_alloc();

    // Forced decoders (also the codec ids the demuxer is told about).
    AVCodecID videoId, audioId, subtitleId;
    if (!FindCodecId(VideoCodecName.Str(), AVMEDIA_TYPE_VIDEO, false, videoId) ||
        !FindCodecId(AudioCodecName.Str(), AVMEDIA_TYPE_AUDIO, false, audioId) ||
        !FindCodecId(SubtitleCodecName.Str(), AVMEDIA_TYPE_SUBTITLE, false, subtitleId))
        return false;
    if (PgmyuvCompatibility) videoId = AV_CODEC_ID_PGMYUV;

    // Parameters for demuxers that cannot read them from the file (raw
    // formats, devices); other demuxers leave them unused.
    AVDictionary* rawOptions = nullptr;
    if (FrameRate.num > 0 && FrameRate.den > 0)
        av_dict_set(&rawOptions, "framerate", (std::to_string(FrameRate.num) + "/" + std::to_string(FrameRate.den)).c_str(), 0);
    const int width = FrameWidth + PadLeft + PadRight, height = FrameHeight + PadTop + PadBottom;
    if (width > 0 && height > 0)
        av_dict_set(&rawOptions, "video_size", (std::to_string(width) + "x" + std::to_string(height)).c_str(), 0);
    if (const char* pixFmt = av_get_pix_fmt_name(static_cast<AVPixelFormat>(FramePixelFormat)))
        av_dict_set(&rawOptions, "pixel_format", pixFmt, 0);
    av_dict_set_int(&rawOptions, "sample_rate", AudioSampleRate, 0);
    av_dict_set_int(&rawOptions, "channels", AudioChannels, 0);
    if (VideoChannel) av_dict_set_int(&rawOptions, "channel", VideoChannel, 0);
    if (VideoStandard.IsSet()) av_dict_set(&rawOptions, "standard", VideoStandard.CStr(), 0);
    if (LoopInput) av_dict_set_int(&rawOptions, "loop", 1, 0);
    std::unique_ptr<AVDictionary, DictDeleter> options(rawOptions);

    CopyGenericOptions(context.get(), FormatDefaults.get(), AV_OPT_FLAG_DECODING_PARAM);
    // A stop request ends a read that blocks (a stalled pipe or network input).
    context->interrupt_callback = {[](void* engine) { return static_cast<TCustomFFmpeg*>(engine)->StopRequested ? 1 : 0; },
                                   this};
    context->video_codec_id = videoId;
    context->audio_codec_id = audioId;
    context->subtitle_codec_id = subtitleId;

    AVFormatContext* raw = context.release();  // freed by avformat_open_input on failure
    AVDictionary* opts = options.release();
    const int opened = avformat_open_input(&raw, FileName.c_str(), ForcedInputFormat, &opts);
    options.reset(opts);
    if (opened < 0) {
        LastOpenError = ErrorText(FileName, opened);
        return false;
    }
    context.reset(raw);

    if (ProgramID != 0) {
        for (unsigned i = 0; i < context->nb_programs; ++i)
            if (context->programs[i]->id != ProgramID) context->programs[i]->discard = AVDISCARD_ALL;
    }

    int probed;
    {
        std::lock_guard lock(CodecLock());
        probed = avformat_find_stream_info(context.get(), nullptr);
    }
    if (probed < 0 && Verbosity >= 0) {
        LastOpenError = FileName + ": could not find codec parameters";
        return false;
    }

    int64_t timestamp = StartTime;
    if (context->start_time != AV_NOPTS_VALUE) timestamp += context->start_time;
    if (StartTime != 0) {
        av_seek_frame(context.get(), -1, timestamp, AVSEEK_FLAG_BACKWARD);
        StartTime = 0;
    }

    std::string extension = std::filesystem::path(FileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

    std::vector<TInputCodec> codecs;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* st = context->streams[i];
        AVCodecParameters* par = st->codecpar;
        if (par->codec_type < AVMEDIA_TYPE_UNKNOWN || par->codec_type >= AVMEDIA_TYPE_NB)
            throw FFMpegException("invalid codec_type");

        TInputCodec input;
        input.Codec.reset(avcodec_alloc_context3(avcodec_find_decoder(par->codec_id)));
        if (!input.Codec || avcodec_parameters_to_context(input.Codec.get(), par) < 0) throw std::bad_alloc();
        AVCodecContext* codec = input.Codec.get();
        codec->pkt_timebase = st->time_base;
        codec->thread_count = ThreadCount;

        switch (par->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                CopyGenericOptions(codec, CodecDefaults[AVMEDIA_TYPE_VIDEO].get(),
                                   AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
                input.RateEmulation = RateEmulation != 0;
                if (IsAttachedPicture(st)) {
                    st->discard = AVDISCARD_ALL;  // a cover picture feeds no output
                    break;
                }
                FrameHeight = codec->height;
                FrameWidth = codec->width;
                FrameAspectRatio = codec->height > 0 && codec->sample_aspect_ratio.den > 0
                                       ? static_cast<float>(codec->width * av_q2d(codec->sample_aspect_ratio) /
                                                            codec->height)
                                       : 0.0f;
                if (FrameAspectRatio == 0.0f && codec->width > 0 && codec->height > 0)
                    SetFrameAspectRatio(std::to_string(codec->width) + ":" + std::to_string(codec->height));
                if (codec->pix_fmt == AV_PIX_FMT_NONE && extension.rfind(".rmvb", 0) == 0)
                    codec->pix_fmt = AV_PIX_FMT_YUV420P;
                FramePixelFormat = codec->pix_fmt;
                FrameRate = st->r_frame_rate;
                if (VideoDisable)
                    st->discard = AVDISCARD_ALL;
                else if (VideoDiscard)
                    st->discard = static_cast<AVDiscard>(VideoDiscard);
                break;
            case AVMEDIA_TYPE_AUDIO:
                CopyGenericOptions(codec, CodecDefaults[AVMEDIA_TYPE_AUDIO].get(),
                                   AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
                AudioChannels = codec->ch_layout.nb_channels;
                AudioSampleRate = codec->sample_rate;
                if (AudioDisable) st->discard = AVDISCARD_ALL;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                if (SubtitleDisable) st->discard = AVDISCARD_ALL;
                break;
            default:
                break;
        }
        codecs.push_back(std::move(input));
    }

    if (context->duration != AV_NOPTS_VALUE && context->duration > 0) {
        const int64_t ms = context->duration / 1000;
        if (ms > TotalDuration) TotalDuration = ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
    }

    InputFileTsOffsets[InputFileCount] = CopyTimestamps ? InputTsOffset : InputTsOffset - timestamp;
    if (Verbosity >= 0) av_dump_format(context.get(), InputFileCount, FileName.c_str(), 0);
    InputCodecs[InputFileCount] = std::move(codecs);
    InputFiles[InputFileCount] = std::move(context);
    ++InputFileCount;
    return true;
}

}  // namespace vidmorph
