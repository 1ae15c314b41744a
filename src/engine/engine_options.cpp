// The option keywords: dispatch table and the handlers with their checks and
// messages. The generic path (keywords the libraries know) is in
// generic_options.cpp.
#include <climits>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <unordered_map>

extern "C" {
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include "conversions.h"
#include "engine.h"
#include "log_levels.h"
#include "text_format.h"

namespace vidmorph {

namespace {

using Handler = void (*)(TCustomFFmpeg&, const std::string&);

// Rounds a / b to the nearest integer, halves to even.
int64_t DivRoundHalfEven(int64_t a, int64_t b) {
    int64_t q = a / b, r = a % b;
    if (r < 0) r += b, --q;  // floor division
    const int64_t twice = 2 * r;
    if (twice > b || (twice == b && (q & 1))) ++q;
    return q;
}

}  // namespace

// Keyword -> handler, in the order the keywords are checked. Keywords are
// distinct, so the first equal one is the only one.
struct OptionTable {
    static const std::unordered_map<std::string_view, Handler>& Get();
};

const std::unordered_map<std::string_view, Handler>& OptionTable::Get() {
#define SWITCH(field) [](TCustomFFmpeg& e, const std::string&) { e.field = 1; }
#define INTEGER(field) [](TCustomFFmpeg& e, const std::string& v) { e.field = StrToInt(v); }
#define SINGLE(field) [](TCustomFFmpeg& e, const std::string& v) { e.field = static_cast<float>(StrToFloat(v)); }
    static const Handler doNothing = [](TCustomFFmpeg&, const std::string&) {};
    static const Handler refused = [](TCustomFFmpeg&, const std::string&) {};
    static const std::unordered_map<std::string_view, Handler> table = {
        {"L", doNothing},
        {"h", doNothing},
        {"version", doNothing},
        {"formats", doNothing},
        {"f", [](TCustomFFmpeg& e, const std::string& v) { e.SetFormat(v); }},
        {"i", doNothing},
        {"y", doNothing},
        {"map", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyMap(v); }},
        {"map_meta_data", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyMetadataMap(v); }},
        {"t",
         [](TCustomFFmpeg& e, const std::string& v) {
             int64_t us = 0;
             e.ParseDurationOrDate("t", v, true, us);
             e.SetRecordingTimeMs(us / 1000);
         }},
        {"fs", [](TCustomFFmpeg& e, const std::string& v) { e.LimitFileSize = static_cast<uint64_t>(StrToInt64(v)); }},
        {"ss", [](TCustomFFmpeg& e, const std::string& v) { e.ParseDurationOrDate("ss", v, true, e.StartTime); }},
        {"itsoffset",
         [](TCustomFFmpeg& e, const std::string& v) { e.ParseDurationOrDate("itsoffset", v, true, e.InputTsOffset); }},
        {"itsscale", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyTsScale(v); }},
        {"title", [](TCustomFFmpeg& e, const std::string& v) { e.SetTitle(v); }},
        {"timestamp",
         [](TCustomFFmpeg& e, const std::string& v) {
             int64_t us = 0;
             e.ParseDurationOrDate("timestamp", v, false, us);
             e.RecordTimestamp = DivRoundHalfEven(us, 1000000);
         }},
        {"author", [](TCustomFFmpeg& e, const std::string& v) { e.SetAuthor(v); }},
        {"copyright", [](TCustomFFmpeg& e, const std::string& v) { e.SetCopyright(v); }},
        {"comment", [](TCustomFFmpeg& e, const std::string& v) { e.SetComment(v); }},
        {"genre", [](TCustomFFmpeg& e, const std::string& v) { e.SetGenre(v); }},
        {"album", [](TCustomFFmpeg& e, const std::string& v) { e.SetAlbum(v); }},
        {"dframes", [](TCustomFFmpeg& e, const std::string& v) { e.MaxFrames[fkData] = StrToInt(v); }},
        {"benchmark", doNothing},
        {"dump", SWITCH(PacketDump)},
        {"hex", SWITCH(HexDump)},
        {"re", SWITCH(RateEmulation)},
        {"loop_input", SWITCH(LoopInput)},
        {"loop_output", INTEGER(LoopOutput)},
        {"v", [](TCustomFFmpeg& e, const std::string& v) { e.SetVerbosity(StrToInt(v)); }},
        {"target", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyTargetKeyword(v); }},
        {"threads", refused},
        {"vsync", INTEGER(VideoSyncMethod)},
        {"async", INTEGER(AudioSyncMethod)},
        {"adrift_threshold", SINGLE(AudioDriftThreshold)},
        {"vglobal", INTEGER(VideoGlobalHeader)},
        {"copyts", [](TCustomFFmpeg& e, const std::string&) { e.CopyTimestamps = true; }},
        {"shortest", SWITCH(Shortest)},
        {"dts_delta_threshold", SINGLE(DtsDeltaThreshold)},
        {"programid", INTEGER(ProgramID)},
        {"b", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyBitrate("b", v); }},
        {"vb", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyBitrate("vb", v); }},
        {"vframes", [](TCustomFFmpeg& e, const std::string& v) { e.MaxFrames[fkVideo] = StrToInt(v); }},
        {"r", [](TCustomFFmpeg& e, const std::string& v) { e.SetFrameRate(v); }},
        {"s", [](TCustomFFmpeg& e, const std::string& v) { e.SetFrameSize(v); }},
        {"aspect", [](TCustomFFmpeg& e, const std::string& v) { e.SetFrameAspectRatio(v); }},
        {"pix_fmt", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyPixelFormat(v); }},
        {"croptop", [](TCustomFFmpeg& e, const std::string& v) { e.SetCropTop(StrToInt(v)); }},
        {"cropbottom", [](TCustomFFmpeg& e, const std::string& v) { e.SetCropBottom(StrToInt(v)); }},
        {"cropleft", [](TCustomFFmpeg& e, const std::string& v) { e.SetCropLeft(StrToInt(v)); }},
        {"cropright", [](TCustomFFmpeg& e, const std::string& v) { e.SetCropRight(StrToInt(v)); }},
        {"padtop", [](TCustomFFmpeg& e, const std::string& v) { e.SetPadTop(StrToInt(v)); }},
        {"padbottom", [](TCustomFFmpeg& e, const std::string& v) { e.SetPadBottom(StrToInt(v)); }},
        {"padleft", [](TCustomFFmpeg& e, const std::string& v) { e.SetPadLeft(StrToInt(v)); }},
        {"padright", [](TCustomFFmpeg& e, const std::string& v) { e.SetPadRight(StrToInt(v)); }},
        {"padcolor", [](TCustomFFmpeg& e, const std::string& v) { e.SetPadColor(StrToInt(v)); }},
        {"intra", SWITCH(IntraOnly)},
        {"vn", SWITCH(VideoDisable)},
        {"vdt", INTEGER(VideoDiscard)},
        {"qscale", [](TCustomFFmpeg& e, const std::string& v) { e.SetQScale(StrToFloat(v)); }},
        {"rc_override", [](TCustomFFmpeg& e, const std::string& v) { e.RcOverride.Assign(v); }},
        {"vcodec", [](TCustomFFmpeg& e, const std::string& v) { e.SetVideoCodec(v); }},
        {"me_threshold", INTEGER(MeThreshold)},
        {"sameq", SWITCH(SameQuality)},
        {"pass", [](TCustomFFmpeg& e, const std::string& v) { e.SetPassNumber(StrToInt(v)); }},
        {"passlogfile", [](TCustomFFmpeg& e, const std::string& v) { e.PassLogFileName = v; }},
        {"deinterlace", SWITCH(Deinterlace)},
        {"psnr", SWITCH(Psnr)},
        {"vstats", [](TCustomFFmpeg& e, const std::string&) { e.ApplyVstats(); }},
        {"vstats_file",
         [](TCustomFFmpeg& e, const std::string& v) {
             e.VstatsFileName.Release();
             e.VstatsFileName.Assign(v);
         }},
        {"vhook", [](TCustomFFmpeg& e, const std::string&) { e.NotAvailableYet("vhook"); }},
        {"intra_matrix", [](TCustomFFmpeg& e, const std::string& v) { e.ParseMatrix(v, e.IntraMatrix); }},
        {"inter_matrix", [](TCustomFFmpeg& e, const std::string& v) { e.ParseMatrix(v, e.InterMatrix); }},
        {"top", INTEGER(TopFieldFirst)},
        {"dc", INTEGER(IntraDcPrecision)},
        {"vtag", [](TCustomFFmpeg& e, const std::string& v) { e.SetVideoTag(v); }},
        {"newvideo", [](TCustomFFmpeg& e, const std::string&) { e.NewStream("newvideo"); }},
        {"qphist", SWITCH(QpHistogram)},
        {"ab", [](TCustomFFmpeg& e, const std::string& v) { e.ApplyBitrate("ab", v); }},
        {"aframes", [](TCustomFFmpeg& e, const std::string& v) { e.MaxFrames[fkAudio] = StrToInt(v); }},
        {"aq", SINGLE(AudioQScale)},
        {"ar", [](TCustomFFmpeg& e, const std::string& v) { e.SetAudioSampleRate(StrToInt(v)); }},
        {"ac", [](TCustomFFmpeg& e, const std::string& v) { e.SetAudioChannels(StrToInt(v)); }},
        {"an", SWITCH(AudioDisable)},
        {"acodec", [](TCustomFFmpeg& e, const std::string& v) { e.SetAudioCodec(v); }},
        {"atag", [](TCustomFFmpeg& e, const std::string& v) { e.SetAudioTag(v); }},
        {"vol", INTEGER(AudioVolume)},
        {"newaudio", [](TCustomFFmpeg& e, const std::string&) { e.NewStream("newaudio"); }},
        {"alang", [](TCustomFFmpeg& e, const std::string& v) { e.AudioLanguage = v; }},
        {"sn", SWITCH(SubtitleDisable)},
        {"scodec", [](TCustomFFmpeg& e, const std::string& v) { e.SetSubtitleCodec(v); }},
        {"newsubtitle", [](TCustomFFmpeg& e, const std::string&) { e.NewStream("newsubtitle"); }},
        {"slang", [](TCustomFFmpeg& e, const std::string& v) { e.SubtitleLanguage = v; }},
        {"vc", INTEGER(VideoChannel)},
        {"tvstd", [](TCustomFFmpeg& e, const std::string& v) { e.VideoStandard.Assign(v); }},
        {"isync", SWITCH(InputSync)},
        {"muxdelay", SINGLE(MuxMaxDelay)},
        {"muxpreload", SINGLE(MuxPreload)},
        {"absf", refused},
        {"vbsf", refused},
        {"sbsf", refused},
        {"apre", doNothing},
        {"vpre", doNothing},
        {"spre", doNothing},
    };
#undef SWITCH
#undef INTEGER
#undef SINGLE
    return table;
}

void TCustomFFmpeg::ApplyOption(const std::string& Keyword, const std::string& Value) {
    const auto& table = OptionTable::Get();
    const auto it = table.find(Keyword);
    if (it == table.end()) {
        SetGenericOption(Keyword, Value);
        return;
    }
    if (Keyword == "threads" || Keyword == "absf" || Keyword == "vbsf" || Keyword == "sbsf")
        throw FFMpegException("TODO: option - " + Keyword);
    static const std::string_view doNothing[] = {"L", "h", "version", "formats", "i",
                                                 "y", "benchmark", "apre", "vpre", "spre"};
    for (std::string_view k : doNothing) {
        if (Keyword == k) {
            Log(1, "Do nothing: option - " + Keyword);
            return;
        }
    }
    it->second(*this, Value);
}

void TCustomFFmpeg::NotAvailableYet(const std::string& Keyword) {
    throw FFMpegException("Option " + Keyword + " is not available yet");
}

// ---- numbers with guards ------------------------------------------------------

void TCustomFFmpeg::SetAudioSampleRate(int Value) {
    if (Value > 0) AudioSampleRate = Value;
}

void TCustomFFmpeg::SetAudioChannels(int Value) {
    if (Value > 0) AudioChannels = Value;
}

void TCustomFFmpeg::SetVerbosity(int Value) {
    Verbosity = Value;
    SetProcessLogLevel(Value);
}

void TCustomFFmpeg::SetQScale(double Value) {
    if (!(Value > 0.0 && Value <= 255.0)) throw FFMpegException("qscale must be > 0.0 and <= 255");
    VideoQScale = static_cast<float>(Value);
}

void TCustomFFmpeg::SetPassNumber(int Value) {
    if (Value != 1 && Value != 2) throw FFMpegException("pass number can be only 1 or 2");
    PassNumber = Value;
}

void TCustomFFmpeg::SetRecordingTimeMs(int64_t Milliseconds) {
    if (Milliseconds <= 0) return;
    RecordingTime = Milliseconds * 1000;
    TotalDuration = Milliseconds > INT_MAX ? INT_MAX : static_cast<int>(Milliseconds);
}

// ---- texts ---------------------------------------------------------------------

void TCustomFFmpeg::SetTitle(const std::string& Value) {
    if (!Value.empty()) Title = Value;
}
void TCustomFFmpeg::SetAuthor(const std::string& Value) {
    if (!Value.empty()) Author = Value;
}
void TCustomFFmpeg::SetCopyright(const std::string& Value) {
    if (!Value.empty()) Copyright = Value;
}
void TCustomFFmpeg::SetComment(const std::string& Value) {
    if (!Value.empty()) Comment = Value;
}
void TCustomFFmpeg::SetGenre(const std::string& Value) {
    if (!Value.empty()) Genre = Value;
}
void TCustomFFmpeg::SetAlbum(const std::string& Value) {
    if (!Value.empty()) Album = Value;
}

// ---- codecs and tags -----------------------------------------------------------

namespace {

// "copy" marks stream copy and leaves the name empty; a later name does not
// clear the copy mark (stream creation clears both).
void SetCodecName(const std::string& value, TLibText& name, int& streamCopy) {
    if (value.empty()) return;
    name.Release();
    if (value == "copy")
        streamCopy = 1;
    else
        name.Assign(value);
}

int FourCC(const std::string& value, const char* kind) {
    if (value.size() != 4) throw EAssertionFailed(std::string(kind) + " tag parameter must be 4 chars");
    const auto b = [&](int i) { return static_cast<unsigned>(static_cast<unsigned char>(value[i])); };
    return static_cast<int>(b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24);
}

}  // namespace

void TCustomFFmpeg::SetVideoCodec(const std::string& Value) { SetCodecName(Value, VideoCodecName, VideoStreamCopy); }
void TCustomFFmpeg::SetAudioCodec(const std::string& Value) { SetCodecName(Value, AudioCodecName, AudioStreamCopy); }
void TCustomFFmpeg::SetSubtitleCodec(const std::string& Value) {
    SetCodecName(Value, SubtitleCodecName, SubtitleStreamCopy);
}

void TCustomFFmpeg::SetVideoTag(const std::string& Value) {
    if (!Value.empty()) VideoCodecTag = FourCC(Value, "video");
}
void TCustomFFmpeg::SetAudioTag(const std::string& Value) {
    if (!Value.empty()) AudioCodecTag = FourCC(Value, "audio");
}

// ---- picture geometry ----------------------------------------------------------

void TCustomFFmpeg::SetFrameRate(const std::string& Value) {
    if (Value.empty()) return;
    if (av_parse_video_rate(&FrameRate, Value.c_str()) < 0) throw FFMpegException("Incorrect frame rate");
}

void TCustomFFmpeg::SetFrameSize(const std::string& Value) {
    if (Value.empty()) return;
    if (av_parse_video_size(&FrameWidth, &FrameHeight, Value.c_str()) < 0)
        throw FFMpegException("Incorrect frame size");
    if ((FrameWidth % 2) != 0 || (FrameHeight % 2) != 0) throw FFMpegException("Frame size must be a multiple of 2");
}

void TCustomFFmpeg::SetFrameAspectRatio(const std::string& Value) {
    if (Value.empty()) return;
    double ratio = 0.0;
    if (const auto colon = Value.find(':'); colon != std::string::npos) {
        const int a = TryStrToInt(Value.substr(0, colon)).value_or(0);
        const int b = TryStrToInt(Value.substr(colon + 1)).value_or(0);
        ratio = b > 0 ? static_cast<double>(a) / b : 0.0;
    } else {
        ratio = TryStrToFloat(Value).value_or(0.0);
    }
    if (ratio == 0.0) throw FFMpegException("Incorrect aspect ratio specification.");
    FrameAspectRatio = static_cast<float>(ratio);
}

void TCustomFFmpeg::ApplyCrop(int Value, int& Crop, int& FrameSide, const char* side, const char* direction) {
    if (Value < 0) return;
    if (Value % 2 != 0) throw FFMpegException(std::string(side) + " crop size must be a multiple of 2");
    if (Value >= FrameSide)
        throw FFMpegException(std::string(direction) +
                              " crop dimensions are outside the range of the original image.\n"
                              "Remember to crop first and scale second.");
    Crop = Value;
    FrameSide -= Value;
}

void TCustomFFmpeg::SetCropTop(int Value) { ApplyCrop(Value, CropTop, FrameHeight, "Top", "Vertical"); }
void TCustomFFmpeg::SetCropBottom(int Value) { ApplyCrop(Value, CropBottom, FrameHeight, "Bottom", "Vertical"); }
void TCustomFFmpeg::SetCropLeft(int Value) { ApplyCrop(Value, CropLeft, FrameWidth, "Left", "Horizontal"); }
void TCustomFFmpeg::SetCropRight(int Value) { ApplyCrop(Value, CropRight, FrameWidth, "Right", "Horizontal"); }

void TCustomFFmpeg::ApplyPad(int Value, int& Pad, const char* side) {
    if (Value < 0) return;
    if (Value % 2 != 0) throw FFMpegException(std::string(side) + " pad size must be a multiple of 2");
    Pad = Value;
}

void TCustomFFmpeg::SetPadTop(int Value) { ApplyPad(Value, PadTop, "Top"); }
void TCustomFFmpeg::SetPadBottom(int Value) { ApplyPad(Value, PadBottom, "Bottom"); }
void TCustomFFmpeg::SetPadLeft(int Value) { ApplyPad(Value, PadLeft, "Left"); }
void TCustomFFmpeg::SetPadRight(int Value) { ApplyPad(Value, PadRight, "Right"); }

void TCustomFFmpeg::ApplyPixelFormat(const std::string& Value) {
    if (Value != "list") {
        FramePixelFormat = av_get_pix_fmt(Value.c_str());
        return;
    }
    if (!LogHandler) return;
    for (int i = -1; i < 40; ++i) {
        char line[128] = {};
        av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(i));
        Log(1, Trim(line));
    }
}

// ---- times -----------------------------------------------------------------------

void TCustomFFmpeg::ParseDurationOrDate(const std::string& Keyword, const std::string& Value, bool IsDuration,
                                        int64_t& Out) {
    int64_t us = 0;
    if (av_parse_time(&us, Value.c_str(), IsDuration ? 1 : 0) < 0) {
        throw FFMpegException("Invalid " + std::string(IsDuration ? "duration" : "date") + " specification for " +
                              Keyword + ": " + Value);
    }
    Out = us;
}

// ---- formats -----------------------------------------------------------------------

namespace {

// "pgmyuv" is read and written by the image2 format now.
std::string ResolvePgmyuv(TCustomFFmpeg& e, const std::string& name, const std::function<void()>& warn) {
    if (name != "pgmyuv") return name;
    e.PgmyuvCompatibility = 1;
    warn();
    return "image2";
}

}  // namespace

void TCustomFFmpeg::SetInputFormat(const std::string& Name) {
    if (Name.empty()) return;
    const std::string name = ResolvePgmyuv(*this, Name, [&] { Log(1, "pgmyuv format is deprecated, use image2"); });
    ForcedInputFormat = av_find_input_format(name.c_str());
    if (!ForcedInputFormat) throw FFMpegException(Printf("Unknown input format: %s", name.c_str()));
}

void TCustomFFmpeg::SetOutputFormat(const std::string& Name) {
    if (Name.empty()) return;
    const std::string name = ResolvePgmyuv(*this, Name, [&] { Log(1, "pgmyuv format is deprecated, use image2"); });
    ForcedOutputFormat = av_guess_format(name.c_str(), nullptr, nullptr);
    if (!ForcedOutputFormat) throw FFMpegException(Printf("Unknown output format: %s", name.c_str()));
}

void TCustomFFmpeg::SetFormat(const std::string& Name) {
    const std::string name = ResolvePgmyuv(*this, Name, [&] { Log(1, "pgmyuv format is deprecated, use image2"); });
    ForcedInputFormat = av_find_input_format(name.c_str());
    ForcedOutputFormat = av_guess_format(name.c_str(), nullptr, nullptr);
    if (!ForcedInputFormat && !ForcedOutputFormat)
        throw FFMpegException(Printf("Unknown input or output format: %s", name.c_str()));
}

// ---- mappings --------------------------------------------------------------------------

namespace {

// Skips the one separator character after a number, if any.
void SkipSeparator(const std::string& text, std::size_t& pos) {
    if (pos < text.size()) ++pos;
}

}  // namespace

void TCustomFFmpeg::ApplyMap(const std::string& Value) {
    if (StreamMapCount >= MAX_STREAM_MAPS)
        throw FFMpegException("Too many stream maps (at most " + std::to_string(MAX_STREAM_MAPS) + ")");
    TStreamMap m;
    std::size_t pos = 0;
    m.FileIndex = static_cast<int>(CStrToL(Value, pos));
    SkipSeparator(Value, pos);
    m.StreamIndex = static_cast<int>(CStrToL(Value, pos));
    if (pos < Value.size()) {
        SkipSeparator(Value, pos);
        m.SyncFileIndex = static_cast<int>(CStrToL(Value, pos));
        SkipSeparator(Value, pos);
        m.SyncStreamIndex = static_cast<int>(CStrToL(Value, pos));
    } else {
        m.SyncFileIndex = m.FileIndex;
        m.SyncStreamIndex = m.StreamIndex;
    }
    StreamMaps[StreamMapCount++] = m;
}

void TCustomFFmpeg::ApplyMetadataMap(const std::string& Value) {
    if (MetadataMapCount >= MAX_META_DATA_MAPS)
        throw FFMpegException("Too many metadata maps (at most " + std::to_string(MAX_META_DATA_MAPS) + ")");
    TMetadataMap m;
    std::size_t pos = 0;
    m.OutputFileIndex = static_cast<int>(CStrToL(Value, pos));
    SkipSeparator(Value, pos);
    m.InputFileIndex = static_cast<int>(CStrToL(Value, pos));
    MetadataMaps[MetadataMapCount++] = m;
}

void TCustomFFmpeg::ApplyTsScale(const std::string& Value) {
    std::size_t pos = 0;
    const long stream = CStrToL(Value, pos);
    SkipSeparator(Value, pos);
    const double scale = CStrToD(Value, pos);
    if (static_cast<unsigned long>(stream) >= static_cast<unsigned long>(MAX_STREAMS))
        throw FFMpegException("stream index over MAX_STREAMS(" + std::to_string(MAX_STREAMS) + ")");
    if (InputFileCount >= MAX_FILES)
        throw FFMpegException("Too many input files (at most " + std::to_string(MAX_FILES) + ")");
    InputFileTsScales[InputFileCount][stream] = scale;
}

// ---- statistics file -------------------------------------------------------------------

void TCustomFFmpeg::ApplyVstats() {
    std::error_code ec;
    std::string folder = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char hhnnss[16];
    std::strftime(hhnnss, sizeof hhnnss, "%H%M%S", &local);
    VstatsFileName.Release();
    VstatsFileName.Assign(folder + "vstats_" + hhnnss + ".log");
}

}  // namespace vidmorph
