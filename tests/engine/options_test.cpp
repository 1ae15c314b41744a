// Option keywords: dispatch, handlers, guards and messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>

extern "C" {
#include <libavutil/log.h>
}

#include "engine_test_support.h"
#include "conversions.h"
#include "log_levels.h"

namespace vidmorph {
namespace {

using testing::LogLine;
using testing::MessageOf;

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        e.Prepare();
        log.Attach(e);
    }
    void TearDown() override { SetProcessLogLevel(1); }
    void Apply(const std::string& k, const std::string& v) { e.ApplyOption(k, v); }
    std::string Fails(const std::string& k, const std::string& v) {
        return MessageOf([&] { Apply(k, v); });
    }

    TCustomFFmpeg e;
    testing::LogRecorder log;
};

TEST_F(Options, DefaultsAreThoseOfAFreshEngine) {
    EXPECT_EQ(e.InputFileCount, 0);
    EXPECT_EQ(e.OutputFileCount, 0);
    EXPECT_EQ(e.FramePixelFormat, -1);
    EXPECT_EQ(e.PadColor, (std::array<int, 3>{16, 128, 128}));
    EXPECT_EQ(e.MaxFrames, (std::array<int, 4>{INT_MAX, INT_MAX, INT_MAX, INT_MAX}));
    EXPECT_EQ(e.FrameRate.num, 0);
    EXPECT_EQ(e.FrameRate.den, 0);
    EXPECT_EQ(e.TopFieldFirst, -1);
    EXPECT_EQ(e.IntraDcPrecision, 8);
    EXPECT_EQ(e.LoopOutput, -1);
    EXPECT_EQ(e.AudioSampleRate, 44100);
    EXPECT_FLOAT_EQ(e.AudioQScale, -99999.0f);
    EXPECT_EQ(e.AudioChannels, 2);
    EXPECT_FLOAT_EQ(e.MuxPreload, 0.5f);
    EXPECT_FLOAT_EQ(e.MuxMaxDelay, 0.7f);
    EXPECT_EQ(e.RecordingTime, INT64_MAX);
    EXPECT_EQ(e.VideoSyncMethod, -1);
    EXPECT_FLOAT_EQ(e.AudioDriftThreshold, 0.1f);
    EXPECT_EQ(e.AudioVolume, 256);
    EXPECT_EQ(e.Verbosity, 1);
    EXPECT_EQ(e.ThreadCount, 1);
    EXPECT_FLOAT_EQ(e.DtsDeltaThreshold, 10.0f);
    EXPECT_EQ(e.SwsFlags, 4);
    EXPECT_FALSE(e.VideoCodecName.IsSet());
    EXPECT_EQ(e.TotalDuration, -1);
    EXPECT_EQ(e.ReportInterval, 500000);
    EXPECT_EQ(e.BitBufferSize, 262144);
    for (const auto& c : e.CodecDefaults) ASSERT_TRUE(c);
    EXPECT_TRUE(e.FormatDefaults);
    EXPECT_TRUE(e.ScalerDefaults);
}

TEST_F(Options, SwitchesSetTheirSettingWhateverTheValue) {
    const std::pair<const char*, int TFFmpegSettings::*> switches[] = {
        {"dump", &TFFmpegSettings::PacketDump},     {"hex", &TFFmpegSettings::HexDump},
        {"re", &TFFmpegSettings::RateEmulation},    {"loop_input", &TFFmpegSettings::LoopInput},
        {"shortest", &TFFmpegSettings::Shortest},   {"intra", &TFFmpegSettings::IntraOnly},
        {"vn", &TFFmpegSettings::VideoDisable},     {"sameq", &TFFmpegSettings::SameQuality},
        {"deinterlace", &TFFmpegSettings::Deinterlace}, {"psnr", &TFFmpegSettings::Psnr},
        {"qphist", &TFFmpegSettings::QpHistogram},  {"an", &TFFmpegSettings::AudioDisable},
        {"sn", &TFFmpegSettings::SubtitleDisable},  {"isync", &TFFmpegSettings::InputSync},
    };
    for (const auto& [keyword, field] : switches) {
        EXPECT_EQ(e.*field, 0) << keyword;
        Apply(keyword, "0");
        EXPECT_EQ(e.*field, 1) << keyword;
    }
    Apply("copyts", "");
    EXPECT_TRUE(e.CopyTimestamps);
}

TEST_F(Options, IntegerKeywordsStoreAnyNumberAndRejectText) {
    const std::pair<const char*, std::function<int&(TCustomFFmpeg&)>> integers[] = {
        {"dframes", [](TCustomFFmpeg& x) -> int& { return x.MaxFrames[fkData]; }},
        {"vframes", [](TCustomFFmpeg& x) -> int& { return x.MaxFrames[fkVideo]; }},
        {"aframes", [](TCustomFFmpeg& x) -> int& { return x.MaxFrames[fkAudio]; }},
        {"loop_output", [](TCustomFFmpeg& x) -> int& { return x.LoopOutput; }},
        {"vsync", [](TCustomFFmpeg& x) -> int& { return x.VideoSyncMethod; }},
        {"async", [](TCustomFFmpeg& x) -> int& { return x.AudioSyncMethod; }},
        {"vglobal", [](TCustomFFmpeg& x) -> int& { return x.VideoGlobalHeader; }},
        {"programid", [](TCustomFFmpeg& x) -> int& { return x.ProgramID; }},
        {"vdt", [](TCustomFFmpeg& x) -> int& { return x.VideoDiscard; }},
        {"me_threshold", [](TCustomFFmpeg& x) -> int& { return x.MeThreshold; }},
        {"top", [](TCustomFFmpeg& x) -> int& { return x.TopFieldFirst; }},
        {"dc", [](TCustomFFmpeg& x) -> int& { return x.IntraDcPrecision; }},
        {"vol", [](TCustomFFmpeg& x) -> int& { return x.AudioVolume; }},
        {"vc", [](TCustomFFmpeg& x) -> int& { return x.VideoChannel; }},
    };
    for (const auto& [keyword, field] : integers) {
        Apply(keyword, "-3");
        EXPECT_EQ(field(e), -3) << keyword;
        Apply(keyword, "$10");
        EXPECT_EQ(field(e), 16) << keyword;
        EXPECT_EQ(Fails(keyword, "many"), "'many' is not a valid integer value") << keyword;
        EXPECT_EQ(field(e), 16) << keyword;
    }
    Apply("fs", "5000000000");
    EXPECT_EQ(e.LimitFileSize, 5000000000ULL);
}

TEST_F(Options, FloatingKeywordsStoreSinglesAndRejectText) {
    const std::pair<const char*, float TFFmpegSettings::*> floats[] = {
        {"adrift_threshold", &TFFmpegSettings::AudioDriftThreshold},
        {"dts_delta_threshold", &TFFmpegSettings::DtsDeltaThreshold},
        {"aq", &TFFmpegSettings::AudioQScale},
        {"muxdelay", &TFFmpegSettings::MuxMaxDelay},
        {"muxpreload", &TFFmpegSettings::MuxPreload},
    };
    for (const auto& [keyword, field] : floats) {
        Apply(keyword, "0.25");
        EXPECT_FLOAT_EQ(e.*field, 0.25f) << keyword;
        EXPECT_EQ(Fails(keyword, "lots"), "'lots' is not a valid floating point value") << keyword;
    }
}

TEST_F(Options, SampleRateAndChannelsIgnoreZeroAndNegative) {
    for (const char* v : {"0", "-8000"}) {
        Apply("ar", v);
        Apply("ac", v);
    }
    EXPECT_EQ(e.AudioSampleRate, 44100);
    EXPECT_EQ(e.AudioChannels, 2);
    Apply("ar", "22050");
    Apply("ac", "1");
    EXPECT_EQ(e.AudioSampleRate, 22050);
    EXPECT_EQ(e.AudioChannels, 1);
}

TEST_F(Options, TextKeywords) {
    Apply("title", "First");
    Apply("title", "");
    EXPECT_EQ(e.Title, "First");  // empty keeps the previous title
    for (const char* k : {"author", "copyright", "comment", "genre", "album"}) Apply(k, std::string("x-") + k);
    EXPECT_EQ(e.Author, "x-author");
    EXPECT_EQ(e.Copyright, "x-copyright");
    EXPECT_EQ(e.Comment, "x-comment");
    EXPECT_EQ(e.Genre, "x-genre");
    EXPECT_EQ(e.Album, "x-album");

    Apply("alang", "eng");
    Apply("alang", "");
    EXPECT_EQ(e.AudioLanguage, "");  // empty clears
    Apply("slang", "fre");
    EXPECT_EQ(e.SubtitleLanguage, "fre");
    Apply("passlogfile", "/tmp/pass");
    EXPECT_EQ(e.PassLogFileName, "/tmp/pass");
    Apply("passlogfile", "");
    EXPECT_EQ(e.PassLogFileName, "");
    Apply("rc_override", "0,100,2");
    EXPECT_STREQ(e.RcOverride.CStr(), "0,100,2");
    Apply("tvstd", "pal");
    EXPECT_STREQ(e.VideoStandard.CStr(), "pal");
    Apply("vstats_file", "/tmp/a.log");
    Apply("vstats_file", "/tmp/b.log");
    EXPECT_STREQ(e.VstatsFileName.CStr(), "/tmp/b.log");
}

TEST_F(Options, RefusedAndDoNothingKeywords) {
    for (const char* k : {"threads", "absf", "vbsf", "sbsf"})
        EXPECT_EQ(Fails(k, "2"), std::string("TODO: option - ") + k);
    for (const char* k : {"L", "h", "version", "formats", "i", "y", "benchmark", "apre", "vpre", "spre"}) {
        log.Clear();
        Apply(k, "anything");
        EXPECT_THAT(log.Lines(), ::testing::ElementsAre(LogLine{1, std::string("Do nothing: option - ") + k}));
    }
    // Without a log handler the line is dropped.
    e.LogHandler = nullptr;
    Apply("version", "");
}

TEST_F(Options, UnknownKeywordIsIgnoredSilently) {
    Apply("foo", "bar");
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(e.GenericOptionNames.empty());
}

TEST_F(Options, FrameRateAndSize) {
    Apply("r", "30000/1001");
    EXPECT_EQ(e.FrameRate.num, 30000);
    EXPECT_EQ(e.FrameRate.den, 1001);
    Apply("r", "");  // empty changes nothing
    EXPECT_EQ(e.FrameRate.num, 30000);
    EXPECT_EQ(Fails("r", "fast"), "Incorrect frame rate");

    Apply("s", "320x240");
    EXPECT_EQ(e.FrameWidth, 320);
    EXPECT_EQ(e.FrameHeight, 240);
    Apply("s", "vga");
    EXPECT_EQ(e.FrameWidth, 640);
    EXPECT_EQ(Fails("s", "big"), "Incorrect frame size");
    EXPECT_EQ(Fails("s", "641x480"), "Frame size must be a multiple of 2");
    EXPECT_EQ(e.FrameWidth, 641);  // the odd size stays stored
    EXPECT_EQ(e.FrameHeight, 480);
}

TEST_F(Options, AspectRatio) {
    const struct {
        const char* value;
        float ratio;
    } good[] = {{"16:9", 1.7777778f}, {"4:3", 4.0f / 3.0f}, {"1.5", 1.5f}, {"-1", -1.0f}};
    for (const auto& c : good) {
        Apply("aspect", c.value);
        EXPECT_FLOAT_EQ(e.FrameAspectRatio, c.ratio) << c.value;
    }
    for (const char* bad : {"4:0", "0", "wide", "x:2", "4:-3"})
        EXPECT_EQ(Fails("aspect", bad), "Incorrect aspect ratio specification.") << bad;
    EXPECT_FLOAT_EQ(e.FrameAspectRatio, -1.0f);
    Apply("aspect", "");
    EXPECT_FLOAT_EQ(e.FrameAspectRatio, -1.0f);
}

TEST_F(Options, CropReducesTheFrameAndChecksItsRange) {
    const struct {
        const char* keyword;
        const char* value;
        const char* message;  // nullptr: accepted
    } cases[] = {
        {"croptop", "-2", nullptr},
        {"croptop", "0",
         "Vertical crop dimensions are outside the range of the original image.\nRemember to crop first and scale "
         "second."},
        {"cropleft", "0",
         "Horizontal crop dimensions are outside the range of the original image.\nRemember to crop first and scale "
         "second."},
        {"croptop", "3", "Top crop size must be a multiple of 2"},
        {"cropbottom", "5", "Bottom crop size must be a multiple of 2"},
        {"cropleft", "7", "Left crop size must be a multiple of 2"},
        {"cropright", "9", "Right crop size must be a multiple of 2"},
    };
    for (const auto& c : cases) {
        if (c.message)
            EXPECT_EQ(Fails(c.keyword, c.value), c.message) << c.keyword << "=" << c.value;
        else
            Apply(c.keyword, c.value);
    }
    EXPECT_EQ(e.CropTop, 0);
    EXPECT_EQ(e.FrameHeight, 0);

    Apply("s", "320x240");
    Apply("croptop", "10");
    Apply("cropbottom", "20");
    Apply("cropleft", "4");
    Apply("cropright", "6");
    EXPECT_EQ(e.FrameHeight, 210);
    EXPECT_EQ(e.FrameWidth, 310);
    EXPECT_EQ(e.CropTop, 10);
    EXPECT_EQ(e.CropBottom, 20);
    EXPECT_EQ(e.CropLeft, 4);
    EXPECT_EQ(e.CropRight, 6);
    EXPECT_NE(Fails("cropbottom", "210"), "<no exception>");  // not smaller than what is left
    EXPECT_EQ(Fails("croptop", "many"), "'many' is not a valid integer value");
}

TEST_F(Options, PadKeepsTheFrameSize) {
    Apply("s", "320x240");
    Apply("padtop", "8");
    Apply("padbottom", "-2");
    Apply("padleft", "16");
    Apply("padright", "0");
    EXPECT_EQ(e.PadTop, 8);
    EXPECT_EQ(e.PadBottom, 0);
    EXPECT_EQ(e.PadLeft, 16);
    EXPECT_EQ(e.FrameWidth, 320);
    EXPECT_EQ(e.FrameHeight, 240);
    EXPECT_EQ(Fails("padtop", "1"), "Top pad size must be a multiple of 2");
    EXPECT_EQ(Fails("padbottom", "3"), "Bottom pad size must be a multiple of 2");
    EXPECT_EQ(Fails("padleft", "5"), "Left pad size must be a multiple of 2");
    EXPECT_EQ(Fails("padright", "7"), "Right pad size must be a multiple of 2");
}

TEST_F(Options, QuantiserTagsAndPass) {
    Apply("qscale", "2.5");
    EXPECT_FLOAT_EQ(e.VideoQScale, 2.5f);
    Apply("qscale", "255");
    for (const char* bad : {"0", "-1", "255.5"}) EXPECT_EQ(Fails("qscale", bad), "qscale must be > 0.0 and <= 255");
    EXPECT_FLOAT_EQ(e.VideoQScale, 255.0f);

    Apply("vtag", "XVID");
    EXPECT_EQ(e.VideoCodecTag, 'X' | 'V' << 8 | 'I' << 16 | 'D' << 24);
    Apply("atag", "mp4a");
    EXPECT_EQ(e.AudioCodecTag, 'm' | 'p' << 8 | '4' << 16 | 'a' << 24);
    Apply("vtag", "");  // empty changes nothing
    EXPECT_EQ(e.VideoCodecTag, 'X' | 'V' << 8 | 'I' << 16 | 'D' << 24);
    EXPECT_THAT(MessageOf<EAssertionFailed>([&] { Apply("vtag", "DX5"); }),
                ::testing::StartsWith("video tag parameter must be 4 chars"));
    EXPECT_THAT(MessageOf<EAssertionFailed>([&] { Apply("atag", "mp4a1"); }),
                ::testing::StartsWith("audio tag parameter must be 4 chars"));

    Apply("pass", "2");
    EXPECT_EQ(e.PassNumber, 2);
    for (const char* bad : {"0", "3", "-1"}) EXPECT_EQ(Fails("pass", bad), "pass number can be only 1 or 2");
}

TEST_F(Options, CodecNamesAndStreamCopy) {
    Apply("vcodec", "copy");
    EXPECT_EQ(e.VideoStreamCopy, 1);
    EXPECT_FALSE(e.VideoCodecName.IsSet());
    Apply("vcodec", "mpeg4");
    EXPECT_EQ(e.VideoStreamCopy, 1);  // a later name keeps the copy mark
    EXPECT_STREQ(e.VideoCodecName.CStr(), "mpeg4");
    Apply("vcodec", "");
    EXPECT_STREQ(e.VideoCodecName.CStr(), "mpeg4");
    Apply("acodec", "libmp3lame");
    EXPECT_STREQ(e.AudioCodecName.CStr(), "libmp3lame");
    Apply("acodec", "copy");
    EXPECT_FALSE(e.AudioCodecName.IsSet());
    EXPECT_EQ(e.AudioStreamCopy, 1);
    Apply("scodec", "mov_text");
    EXPECT_STREQ(e.SubtitleCodecName.CStr(), "mov_text");
}

TEST_F(Options, DurationsAndDates) {
    Apply("t", "00:40:00");
    EXPECT_EQ(e.RecordingTime, 2400000000LL);
    EXPECT_EQ(e.TotalDuration, 2400000);
    Apply("t", "0");  // zero changes nothing
    EXPECT_EQ(e.RecordingTime, 2400000000LL);
    Apply("t", "1.2345");  // truncated to milliseconds
    EXPECT_EQ(e.RecordingTime, 1234000);
    Apply("ss", "0");
    EXPECT_EQ(e.StartTime, 0);
    Apply("ss", "90.5");
    EXPECT_EQ(e.StartTime, 90500000);
    Apply("itsoffset", "-2");
    EXPECT_EQ(e.InputTsOffset, -2000000);

    Apply("timestamp", "1970-01-01T00:00:02.5Z");
    EXPECT_EQ(e.RecordTimestamp, 2);  // halves go to even
    Apply("timestamp", "1970-01-01T00:00:03.5Z");
    EXPECT_EQ(e.RecordTimestamp, 4);
    Apply("timestamp", "2000-01-01T00:00:00Z");
    EXPECT_EQ(e.RecordTimestamp, 946684800);

    EXPECT_EQ(Fails("t", "soon"), "Invalid duration specification for t: soon");
    EXPECT_EQ(Fails("ss", "x"), "Invalid duration specification for ss: x");
    EXPECT_EQ(Fails("itsoffset", "?"), "Invalid duration specification for itsoffset: ?");
    EXPECT_EQ(Fails("timestamp", "yesterday"), "Invalid date specification for timestamp: yesterday");
}

TEST_F(Options, Formats) {
    Apply("f", "avi");
    EXPECT_STREQ(e.ForcedInputFormat->name, "avi");
    EXPECT_STREQ(e.ForcedOutputFormat->name, "avi");
    Apply("f", "ipod");  // a muxer only
    EXPECT_EQ(e.ForcedInputFormat, nullptr);
    EXPECT_STREQ(e.ForcedOutputFormat->name, "ipod");
    EXPECT_EQ(Fails("f", "nosuch"), "Unknown input or output format: nosuch");

    log.Clear();
    Apply("f", "pgmyuv");
    EXPECT_STREQ(e.ForcedInputFormat->name, "image2");
    EXPECT_STREQ(e.ForcedOutputFormat->name, "image2");
    EXPECT_EQ(e.PgmyuvCompatibility, 1);
    EXPECT_THAT(log.Lines(), ::testing::ElementsAre(LogLine{1, "pgmyuv format is deprecated, use image2"}));

    e.SetInputFormat("");
    EXPECT_STREQ(e.ForcedInputFormat->name, "image2");
    EXPECT_EQ(MessageOf([&] { e.SetInputFormat("ipod"); }), "Unknown input format: ipod");
    EXPECT_EQ(MessageOf([&] { e.SetOutputFormat("nosuch"); }), "Unknown output format: nosuch");
    e.SetOutputFormat("3gp");
    EXPECT_STREQ(e.ForcedOutputFormat->name, "3gp");
}

TEST_F(Options, StreamAndMetadataMaps) {
    Apply("map", "0:1");
    Apply("map", "0x1.2");
    Apply("map", "1:0:0:1");
    ASSERT_EQ(e.StreamMapCount, 3);
    EXPECT_EQ(e.StreamMaps[0], (TStreamMap{0, 1, 0, 1}));
    EXPECT_EQ(e.StreamMaps[1], (TStreamMap{1, 2, 1, 2}));
    EXPECT_EQ(e.StreamMaps[2], (TStreamMap{1, 0, 0, 1}));
    Apply("map_meta_data", "0:1");
    ASSERT_EQ(e.MetadataMapCount, 1);
    EXPECT_EQ(e.MetadataMaps[0], (TMetadataMap{0, 1}));

    // More than the table holds is refused instead of overrunning it.
    while (e.StreamMapCount < MAX_STREAM_MAPS) Apply("map", "0:0");
    EXPECT_EQ(Fails("map", "0:0"), "Too many stream maps (at most 20)");
    while (e.MetadataMapCount < MAX_META_DATA_MAPS) Apply("map_meta_data", "0:0");
    EXPECT_EQ(Fails("map_meta_data", "0:0"), "Too many metadata maps (at most 20)");
}

TEST_F(Options, TimestampScaleAppliesToTheNextInput) {
    Apply("itsscale", "1:0.5");
    EXPECT_DOUBLE_EQ(e.InputFileTsScales[0][1], 0.5);
    e.InputFileCount = 1;  // as if the first input had been opened
    Apply("itsscale", "1:2");
    EXPECT_DOUBLE_EQ(e.InputFileTsScales[1][1], 2.0);
    e.InputFileCount = 0;
    EXPECT_EQ(Fails("itsscale", "25:2"), "stream index over MAX_STREAMS(20)");
    EXPECT_EQ(Fails("itsscale", "-1:2"), "stream index over MAX_STREAMS(20)");
}

TEST_F(Options, VerbositySetsTheProcessLogLevel) {
    const struct {
        int engineLevel;
        int libraryLevel;
    } levels[] = {{-1, AV_LOG_QUIET}, {0, AV_LOG_ERROR}, {1, AV_LOG_INFO}, {2, AV_LOG_DEBUG}, {3, AV_LOG_TRACE}};
    for (const auto& l : levels) {
        Apply("v", std::to_string(l.engineLevel));
        EXPECT_EQ(e.Verbosity, l.engineLevel);
        EXPECT_EQ(av_log_get_level(), l.libraryLevel);
        EXPECT_EQ(CachedLogLevel.load(), l.engineLevel);
        EXPECT_EQ(EngineLogLevel(l.libraryLevel), l.engineLevel);
    }
    // Library levels between the engine's steps keep their order.
    EXPECT_EQ(EngineLogLevel(AV_LOG_PANIC), 0);
    EXPECT_EQ(EngineLogLevel(AV_LOG_WARNING), 1);
    EXPECT_EQ(EngineLogLevel(AV_LOG_VERBOSE), 2);
    EXPECT_EQ(LibraryLogLevel(-5), AV_LOG_QUIET);
    EXPECT_EQ(LibraryLogLevel(9), AV_LOG_TRACE);
}

TEST_F(Options, PixelFormat) {
    Apply("pix_fmt", "yuv420p");
    EXPECT_EQ(e.FramePixelFormat, AV_PIX_FMT_YUV420P);
    Apply("pix_fmt", "rgb24");
    EXPECT_EQ(e.FramePixelFormat, AV_PIX_FMT_RGB24);
    Apply("pix_fmt", "nosuch");
    EXPECT_EQ(e.FramePixelFormat, -1);

    log.Clear();
    Apply("pix_fmt", "list");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_THAT(lines[0].text, ::testing::StartsWith("name"));
    EXPECT_THAT(lines[1].text, ::testing::StartsWith("yuv420p"));
    for (const auto& l : lines) {
        EXPECT_EQ(l.level, 1);
        EXPECT_EQ(l.text, Trim(l.text));
    }
    EXPECT_EQ(e.FramePixelFormat, -1);  // listing changes nothing

    e.LogHandler = nullptr;
    Apply("pix_fmt", "list");
    EXPECT_EQ(e.FramePixelFormat, -1);
}

TEST_F(Options, VstatsNamesAFileBesideTheProgram) {
    Apply("vstats", "");
    EXPECT_THAT(e.VstatsFileName.Str(), ::testing::MatchesRegex(".*/vstats_[0-2][0-9][0-5][0-9][0-5][0-9]\\.log"));
}

TEST_F(Options, KeywordsOfLaterWorkAreRefusedClearly) {
    EXPECT_EQ(Fails("vhook", "x"), "Option vhook is not available yet");
    for (const char* k : {"newvideo", "newaudio", "newsubtitle"})
        EXPECT_EQ(Fails(k, ""), "At least one output file must be specified");
}

TEST_F(Options, BitRateWarningOnlyBelowOneThousand) {
    Apply("b", "64");
    EXPECT_THAT(log.Lines(),
                ::testing::ElementsAre(LogLine{
                    1, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"}));
    log.Clear();
    Apply("b", "64000");
    Apply("ab", "128000");
    EXPECT_TRUE(log.Lines().empty());
    Apply("ab", "96");
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_VIDEO]->bit_rate, 64000);
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_AUDIO]->bit_rate, 96);
    Apply("vb", "");  // an empty value does nothing
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_VIDEO]->bit_rate, 64000);
}

TEST_F(Options, AFailingHandlerKeepsWhatWasSetBefore) {
    Apply("s", "320x240");
    Apply("title", "kept");
    EXPECT_NE(Fails("r", "bad"), "<no exception>");
    EXPECT_EQ(e.FrameWidth, 320);
    EXPECT_EQ(e.Title, "kept");
}

}  // namespace
}  // namespace vidmorph
