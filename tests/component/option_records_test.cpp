// The task records and their translation into engine settings.
#include "option_records.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#include "../engine/engine_test_support.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using testing::MessageOf;

class OptionRecords : public ::testing::Test {
protected:
    void SetUp() override {
        e.Prepare();
        InitOutputOptions(out);
        InitInputOptions(in);
    }
    TCustomFFmpeg e;
    TOutputOptions out;
    TInputOptions in;
};

TEST_F(OptionRecords, DefaultOutputRecordChangesOnlyWhatItAlwaysApplies) {
    TCustomFFmpeg fresh;
    fresh.Prepare();
    e.AudioLanguage = "eng";
    e.SubtitleLanguage = "fre";
    e.AudioSyncMethod = 3;
    e.VideoSyncMethod = 2;
    e.CopyTimestamps = true;
    ApplyOutputOptions(e, out);
    EXPECT_EQ(e.AudioLanguage, "");
    EXPECT_EQ(e.SubtitleLanguage, "");
    EXPECT_EQ(e.AudioSyncMethod, 0);
    EXPECT_EQ(e.VideoSyncMethod, -1);
    EXPECT_FALSE(e.CopyTimestamps);
    EXPECT_EQ(e.PadColor, (std::array<int, 3>{0, 128, 128}));
    // Everything else stays as a fresh engine has it.
    EXPECT_EQ(e.AudioSampleRate, fresh.AudioSampleRate);
    EXPECT_EQ(e.AudioChannels, fresh.AudioChannels);
    EXPECT_EQ(e.AudioVolume, fresh.AudioVolume);
    EXPECT_EQ(e.FrameWidth, 0);
    EXPECT_EQ(e.RecordingTime, fresh.RecordingTime);
    EXPECT_EQ(e.RecordTimestamp, 0);
    EXPECT_EQ(e.Title, "");
    EXPECT_TRUE(e.GenericOptionNames.empty());
    EXPECT_TRUE(e.PrivateOptions.empty());
    EXPECT_EQ(e.ForcedOutputFormat, nullptr);
    EXPECT_FALSE(e.VideoCodecName.IsSet());
    EXPECT_EQ(e.Year, 0);
}

TEST_F(OptionRecords, ExtraOptionsComeBeforeTheFields) {
    out.ExtraOptions = "async=1\r\nab=64000\rvcodec=mpeg4\ns=320x240\nfoo";
    ApplyOutputOptions(e, out);
    EXPECT_EQ(e.AudioSyncMethod, 0);  // the field wins
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_AUDIO]->bit_rate, 64000);
    EXPECT_STREQ(e.VideoCodecName.CStr(), "mpeg4");
    EXPECT_EQ(e.FrameWidth, 320);
}

TEST_F(OptionRecords, OptionTextStopsAtTheFirstFailingLine) {
    EXPECT_EQ(MessageOf([&] { ApplyOptionText(e, "  title=First\nr=fast\ntitle=Second  "); }),
              "Incorrect frame rate");
    EXPECT_EQ(e.Title, "First");
    // Inside the text nothing is trimmed again: " r" is no keyword.
    ApplyOptionText(e, "title=Second\n r=fast");
    EXPECT_EQ(e.Title, "Second");
    // Lines are split at the first "="; a keyword without one gets an empty value.
    ApplyOptionText(e, "comment=a=b\nshortest");
    EXPECT_EQ(e.Comment, "a=b");
    EXPECT_EQ(e.Shortest, 1);
    // A failing line stops the record's fields too.
    out.ExtraOptions = "pass=3";
    out.FrameSize = "320x240";
    EXPECT_THROW(ApplyOutputOptions(e, out), FFMpegException);
    EXPECT_EQ(e.FrameWidth, 0);
}

TEST_F(OptionRecords, FieldsInTheirOrder) {
    out.FrameSize = "320x240";
    out.CropTop = 10;
    out.PadLeft = 16;
    out.AudioCodec = "libmp3lame";
    out.AudioBitrate = 128000;
    out.AudioChannels = 1;
    out.AudioSampleRate = 22050;
    out.AudioVolume = 512;
    out.VideoCodec = "libxvid";
    out.VideoBitrate = 768000;
    out.GopSize = 250;
    out.FrameRate = "30000/1001";
    out.AspectRatio = "4:3";
    out.RecordingTime = 5000;
    out.Year = 2026;
    out.Track = 7;
    out.DisableSubtitle = true;
    SetMetaText(out.Title, "Title");
    SetMetaText(out.Genre, "A genre of more than thirty-two characters");
    ApplyOutputOptions(e, out);
    EXPECT_EQ(e.FrameHeight, 230);  // the crop reduces the size given
    EXPECT_EQ(e.PadLeft, 16);
    EXPECT_STREQ(e.AudioCodecName.CStr(), "libmp3lame");
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_AUDIO]->bit_rate, 128000);
    EXPECT_EQ(e.AudioChannels, 1);
    EXPECT_EQ(e.AudioSampleRate, 22050);
    EXPECT_EQ(e.AudioVolume, 512);
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_VIDEO]->bit_rate, 768000);
    EXPECT_EQ(e.CodecDefaults[AVMEDIA_TYPE_VIDEO]->gop_size, 250);
    EXPECT_EQ(av_cmp_q(e.FrameRate, AVRational{30000, 1001}), 0);
    EXPECT_FLOAT_EQ(e.FrameAspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(e.RecordingTime, 5000000);
    EXPECT_EQ(e.TotalDuration, 5000);
    EXPECT_EQ(e.Year, 2026);
    EXPECT_EQ(e.Track, 7);
    EXPECT_EQ(e.SubtitleDisable, 1);
    EXPECT_EQ(e.Title, "Title");
    EXPECT_EQ(e.Genre, "A genre of more than thirty-two ");  // 32 characters
}

TEST_F(OptionRecords, InputRecord) {
    const struct {
        int startTime, programId;
        int64_t engineStart;
        int engineProgram;
    } cases[] = {{1500, 3, 1500000, 3}, {0, -1, 0, 0}, {-1, 0, 0, 0}};
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        in.StartTime = c.startTime;
        in.ProgramID = c.programId;
        ApplyInputOptions(engine, in);
        EXPECT_EQ(engine.StartTime, c.engineStart) << c.startTime;
        EXPECT_EQ(engine.ProgramID, c.engineProgram) << c.programId;
    }
    in.ForceFormat = "nosuch";
    EXPECT_EQ(MessageOf([&] { ApplyInputOptions(e, in); }), "Unknown input format: nosuch");
}

TEST_F(OptionRecords, TimestampConversion) {
    tzset();
    const int64_t bias = timezone;  // seconds, standard time
    EXPECT_EQ(TimestampToUnix(25569.0), bias);               // 1 January 1970, local midnight
    EXPECT_EQ(TimestampToUnix(25569.5), 43200 + bias);       // noon
    EXPECT_EQ(TimestampToUnix(36526.0), 946684800 + bias);   // 1 January 2000

    out.Timestamp = -1.0;
    ApplyOutputOptions(e, out);
    EXPECT_EQ(e.RecordTimestamp, 0);
    out.Timestamp = 0.0;
    const int64_t before = std::time(nullptr);
    ApplyOutputOptions(e, out);
    EXPECT_GE(e.RecordTimestamp, before);
    EXPECT_LE(e.RecordTimestamp, std::time(nullptr));
    out.Timestamp = 36526.0;
    ApplyOutputOptions(e, out);
    EXPECT_EQ(e.RecordTimestamp, 946684800 + bias);
}

TEST_F(OptionRecords, PadColourAndSystemColours) {
    const struct {
        int32_t color;
        std::array<int, 3> yuv;
    } cases[] = {{0, {0, 128, 128}}, {0xFFFFFF, {255, 128, 128}}, {0x0000FF, {76, 85, 255}},
                 {static_cast<int32_t>(0x80000005), {255, 128, 128}}};  // the window colour: white
    for (const auto& c : cases) {
        out.PadColor = c.color;
        ApplyOutputOptions(e, out);
        EXPECT_EQ(e.PadColor, c.yuv) << std::hex << c.color;
    }
}

TEST_F(OptionRecords, TargetPresetStep) {
    fixtures::TempDir dir;
    fixtures::MakeMediaFile(dir.File("slow.avi"), fixtures::MediaSpec{.videoCodec = "mpeg4", .frameRate = {15, 1}});
    ASSERT_TRUE(e.OpenInputFile(dir.File("slow.avi")));
    out.Target = 3;
    out.TargetNorm = 0;
    out.FallbackNorm = 1;
    ApplyOutputOptions(e, out);
    EXPECT_EQ(e.FrameHeight, 576);  // neither 25 nor 29.97: the PAL fallback
    EXPECT_STREQ(e.ForcedOutputFormat->name, "dvd");

    TCustomFFmpeg ntsc;
    ntsc.Prepare();
    out.Target = 1;
    out.TargetNorm = 2;
    ApplyOutputOptions(ntsc, out);
    EXPECT_EQ(ntsc.FrameHeight, 240);
    EXPECT_STREQ(ntsc.VideoCodecName.CStr(), "mpeg1video");
}

TEST_F(OptionRecords, HookRanges) {
    EXPECT_THAT(ParseHookRanges("1000-2000, 500-800, 3000-2000, x-100"),
                ::testing::ElementsAre(THookRange{1000000, 2000000}, THookRange{500000, 800000},
                                       THookRange{-1000, 100000}));
    EXPECT_TRUE(ParseHookRanges("").empty());
    EXPECT_TRUE(ParseHookRanges("  ").empty());
    // The engine keeps them sorted by their ends.
    e.SetHookRanges(ParseHookRanges("1000-2000, 500-800, x-100"));
    EXPECT_THAT(e.HookRanges, ::testing::ElementsAre(THookRange{-1000, 100000}, THookRange{500000, 800000},
                                                     THookRange{1000000, 2000000}));
}

TEST_F(OptionRecords, MetadataArraysReadToTheirFirstNul) {
    TMetaText text;
    text.fill('x');
    EXPECT_EQ(MetaText(text).size(), 512u);  // no NUL: the whole array
    SetMetaText(text, "short");
    EXPECT_EQ(MetaText(text), "short");
}

}  // namespace
}  // namespace vidmorph
