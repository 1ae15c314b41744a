#include "media_probe.h"

#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/parseutils.h>
}

#include "engine.h"
#include "library_binding.h"
#include "log_levels.h"

namespace vidmorph {

namespace {

template <std::size_t N>
void CopyText(std::array<char, N>& to, const char* from) {
    to.fill('\0');
    if (from) std::strncpy(to.data(), from, N - 1);
}

const char* Tag(const AVDictionary* dict, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(dict, key, nullptr, 0);
    return entry ? entry->value : nullptr;
}

// The leading number of a tag ("2026-12-11" -> 2026, "3/12" -> 3), 0 when none.
int TagNumber(const AVDictionary* dict, const char* key) {
    const char* text = Tag(dict, key);
    return text ? static_cast<int>(std::strtol(text, nullptr, 10)) : 0;
}

}  // namespace

TAVProbe::TAVProbe() = default;

TAVProbe::~TAVProbe() { CloseFile(); }

void TAVProbe::CheckLibraries() {
    const std::pair<TCodecLibrary, const char*> libraries[] = {{TCodecLibrary::Codec, "LibAVCodec not loaded."},
                                                               {TCodecLibrary::Format, "LibAVFormat not loaded."},
                                                               {TCodecLibrary::Utility, "LibAVUtil not loaded."},
                                                               {TCodecLibrary::Scaling, "LibSwScale not loaded."}};
    for (const auto& [library, message] : libraries)
        if (!LibraryBound(library)) throw Exception(message);
}

bool TAVProbe::OpenFile(const std::string& AFileName, const std::string& AFormatName) {
    CheckLibraries();
    CloseFile();
    const AVInputFormat* format = nullptr;
    if (!AFormatName.empty()) {
        format = av_find_input_format(AFormatName.c_str());
        if (!format) {
            LastError = "Unknown input format: " + AFormatName;
            return false;
        }
    }
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, AFileName.c_str(), format, nullptr);
    if (opened < 0) {
        LastError = TCustomFFmpeg::ErrorText(AFileName, opened);
        CloseFile();
        return false;
    }
    formatContext_.reset(raw);
    int probed;
    {
        std::lock_guard lock(CodecLock());
        probed = avformat_find_stream_info(raw, nullptr);
    }
    if (probed < 0) {
        LastError = AFileName + ": could not find codec parameters";
        CloseFile();
        return false;
    }
    CountStreams();
    FormatName = AFormatName;
    return true;
}

void TAVProbe::CloseFile() {
    FormatName.clear();
    formatContext_.reset();
    CountStreams();
}

void TAVProbe::CountStreams() {
    StreamCount = ProgramCount = AudioStreamCount = VideoStreamCount = SubtitleStreamCount = -1;
    FirstAudioStream = FirstVideoStream = FirstSubtitleStream = -1;
    if (!formatContext_) return;
    StreamCount = static_cast<int>(formatContext_->nb_streams);
    ProgramCount = static_cast<int>(formatContext_->nb_programs);
    AudioStreamCount = VideoStreamCount = SubtitleStreamCount = 0;
    for (int i = 0; i < StreamCount; ++i) {
        switch (formatContext_->streams[i]->codecpar->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                ++VideoStreamCount;
                if (FirstVideoStream < 0) FirstVideoStream = i;
                break;
            case AVMEDIA_TYPE_AUDIO:
                ++AudioStreamCount;
                if (FirstAudioStream < 0) FirstAudioStream = i;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                ++SubtitleStreamCount;
                if (FirstSubtitleStream < 0) FirstSubtitleStream = i;
                break;
            default:
                break;
        }
    }
}

void TAVProbe::ReadFileInfo(TProbeFileInfo& AInfo) const {
    if (!formatContext_) {
        AInfo.StartTime = AInfo.Duration = AInfo.Timestamp = -1;
        AInfo.BitRate = AInfo.Year = AInfo.Track = -1;
        for (auto* t : {&AInfo.Title, &AInfo.Author, &AInfo.Copyright, &AInfo.Comment, &AInfo.Album}) t->fill('\0');
        AInfo.Genre.fill('\0');
        av_log(nullptr, AV_LOG_INFO, "file not loaded.\n");
        return;
    }
    const AVFormatContext& f = *formatContext_;
    const AVDictionary* meta = f.metadata;
    AInfo.StartTime = f.start_time;
    AInfo.Duration = f.duration;
    AInfo.BitRate = f.bit_rate > INT32_MAX ? INT32_MAX : static_cast<int>(f.bit_rate);
    AInfo.Timestamp = 0;
    if (const char* created = Tag(meta, "creation_time")) {
        int64_t us = 0;
        if (av_parse_time(&us, created, 0) >= 0) AInfo.Timestamp = us / 1000000;
    }
    CopyText(AInfo.Title, Tag(meta, "title"));
    CopyText(AInfo.Author, Tag(meta, "artist") ? Tag(meta, "artist") : Tag(meta, "author"));
    CopyText(AInfo.Copyright, Tag(meta, "copyright"));
    CopyText(AInfo.Comment, Tag(meta, "comment"));
    CopyText(AInfo.Album, Tag(meta, "album"));
    AInfo.Year = Tag(meta, "date") ? TagNumber(meta, "date") : TagNumber(meta, "year");
    AInfo.Track = TagNumber(meta, "track");
    CopyText(AInfo.Genre, Tag(meta, "genre"));
}

void TAVProbe::ReadVideoInfo(int AIndex, TProbeVideoInfo& AInfo) const {
    AInfo.Language.fill('\0');
    AInfo.CodecName.fill('\0');
    AInfo.StartTime = AInfo.StartTimeUs = AInfo.Duration = AInfo.DurationUs = -1;
    AInfo.BitRate = AInfo.Height = AInfo.Width = AInfo.PixelFormat = AInfo.FrameRateNum = AInfo.FrameRateDen = -1;
    AInfo.DisplayAspect = -1.0f;
    if (!formatContext_) {
        av_log(nullptr, AV_LOG_INFO, "file not loaded.\n");
        return;
    }
    if (AIndex < 0) {
        AIndex = FirstVideoStream;
        if (AIndex < 0) {
            av_log(nullptr, AV_LOG_ERROR, "no video stream.\n");
            return;
        }
    } else if (AIndex >= StreamCount) {
        av_log(nullptr, AV_LOG_ERROR, "stream index #%d is invalid.\n", AIndex);
        return;
    }
    const AVStream& st = *formatContext_->streams[AIndex];
    const AVCodecParameters& par = *st.codecpar;
    if (par.codec_type != AVMEDIA_TYPE_VIDEO) {
        av_log(nullptr, AV_LOG_ERROR, "stream #%d is not video stream.\n", AIndex);
        return;
    }
    CopyText(AInfo.Language, Tag(st.metadata, "language"));
    CopyText(AInfo.CodecName, avcodec_get_name(par.codec_id));
    AInfo.StartTime = st.start_time;
    if (st.start_time != AV_NOPTS_VALUE) AInfo.StartTimeUs = av_rescale_q(st.start_time, st.time_base, AV_TIME_BASE_Q);
    AInfo.Duration = st.duration;
    if (st.duration != AV_NOPTS_VALUE) AInfo.DurationUs = av_rescale_q(st.duration, st.time_base, AV_TIME_BASE_Q);
    AInfo.BitRate = par.bit_rate > INT32_MAX ? INT32_MAX : static_cast<int>(par.bit_rate);
    AInfo.Height = par.height;
    AInfo.Width = par.width;
    const AVRational sar = par.sample_aspect_ratio.num > 0 ? par.sample_aspect_ratio : AVRational{1, 1};
    AInfo.DisplayAspect = par.height > 0 ? static_cast<float>(par.width * av_q2d(sar) / par.height) : -1.0f;
    AInfo.PixelFormat = par.format;
    AInfo.FrameRateNum = st.r_frame_rate.num;
    AInfo.FrameRateDen = st.r_frame_rate.den;
}

}  // namespace vidmorph
