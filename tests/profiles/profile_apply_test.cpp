// The output options each format gives with its defaults, and the apply rules'
// handling of the texts the user can choose.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "apply_rules.h"
#include "exceptions.h"
#include "profile_test_support.h"

namespace vidmorph {
namespace {

using testing::WindowLists;

struct ApplyCase {
    const char* format;
    const char* videoCodec;
    int videoBitrate;
    const char* frameSize;
    const char* audioCodec;
    int audioBitrate, sampleRate, channels;
    bool disableVideo;
    const char* frameRate;
};

// The formats' defaults; channels -1 where the rule leaves them, 2 where the
// channel list shows "Stereo" (as the window starts).
const ApplyCase kDefaults[] = {
    {"iPod (*.mp4)", "mpeg4", 512000, "320x240", "libfaac", 64000, 44100, -1, false, ""},
    {"iPod Extra (640 x 480) (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 64000, 44100, -1, false, ""},
    {"iPod Video For TV (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 64000, 44100, -1, false, ""},
    {"iPod Touch (*.mp4)", "mpeg4", 1200000, "480x320", "libfaac", 80000, 44100, -1, false, ""},
    {"iPod Touch Extra (640 x 480) (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 80000, 44100, -1, false, ""},
    {"iPhone (*.mp4)", "mpeg4", 1200000, "480x320", "libfaac", 80000, 44100, 2, false, ""},
    {"iPhone Extra (640 x 480) (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 128000, 44100, 2, false, ""},
    {"Apple TV (*.mp4)", "mpeg4", 1500000, "640x480", "libfaac", 128000, 44100, -1, false, ""},
    {"PSP Video (*.mp4)", "mpeg4", 768000, "368x208", "libfaac", 64000, 24000, 2, false, "30000/1001"},
    {"PS3 Video (*.mp4)", "libx264", 1200000, "720x480", "libfaac", 96000, 44100, 2, false, "30000/1001"},
    {"Zune Mpeg4 Video (*.mp4)", "mpeg4", 1500000, "320x240", "libfaac", 128000, 44100, 2, false, "30000/1001"},
    {"Zune WMV Windows Media Video (*.wmv)", "wmv2", 1200000, "320x240", "wmav2", 128000, 48000, 2, false, ""},
    {"Archos AV500/GMini402 (*.avi)", "mpeg4", 1200000, "480x272", "libmp3lame", 128000, 48000, 2, false, ""},
    {"Archos AV700 (*.avi)", "mpeg4", 2000000, "720x480", "libmp3lame", 128000, 48000, 2, false, ""},
    {"Creative Zen Vision (*.avi)", "mpeg4", 1200000, "640x480", "libmp3lame", 128000, 48000, 2, false, ""},
    {"iRiver PMP100 (*.avi)", "mpeg4", 1200000, "640x480", "libmp3lame", 128000, 48000, 2, false, ""},
    {"3GP - Mobile Video Format (*.3gp)", "mpeg4", 128000, "176x144", "libamr_nb", 7400, 8000, 1, false, ""},
    {"3G2 - Mobile Video Format (*.3g2)", "mpeg4", 128000, "176x144", "libamr_nb", 7400, 8000, 1, false, ""},
    {"MOV - QuickTime Video (*.mov)", "mpeg4", 1200000, "", "libfaac", 128000, 44100, 2, false, ""},
    {"M4A - Mpeg4 Audio File (*.m4a)", "", 0, "", "libfaac", 128000, 48000, 2, true, ""},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "", 0, "", "libmp3lame", 192000, 48000, 2, true, ""},
    {"WAV - Waveform Audio (*.wav)", "", 0, "", "pcm_s16le", 128000, 44100, 2, true, ""},
    {"WMA - Windows Media Audio (*.wma)", "", 0, "", "wmav2", 128000, 48000, 2, true, ""},
};

TEST(ProfileApply, EveryFormatGivesItsDefaultOptions) {
    ASSERT_EQ(std::size(kDefaults), TheAVCodecs.size());
    for (const ApplyCase& c : kDefaults) {
        SCOPED_TRACE(c.format);
        WindowLists w;
        ASSERT_TRUE(w.Choose(c.format));
        const TOutputOptions o = w.Applied();
        EXPECT_EQ(o.VideoCodec, c.videoCodec);
        EXPECT_EQ(o.VideoBitrate, c.videoBitrate);
        EXPECT_EQ(o.FrameSize, c.frameSize);
        EXPECT_EQ(o.AudioCodec, c.audioCodec);
        EXPECT_EQ(o.AudioBitrate, c.audioBitrate);
        EXPECT_EQ(o.AudioSampleRate, c.sampleRate);
        EXPECT_EQ(o.AudioChannels, c.channels);
        EXPECT_EQ(o.DisableVideo, c.disableVideo);
        EXPECT_EQ(o.FrameRate, c.frameRate);
        // Fields no rule writes keep the defaults job submission set.
        EXPECT_EQ(o.AudioVolume, -1);
        EXPECT_EQ(o.AspectRatio, "");
        EXPECT_FALSE(o.DisableAudio);
        EXPECT_EQ(o.ForceFormat, "");
        EXPECT_EQ(o.FileName, "");
    }
}

TEST(ProfileApply, ChannelsComeFromTheListExceptForPhoneFormatsAndAppleRules) {
    const struct {
        const char* format;
        const char* channels;
        int want;
    } cases[] = {
        {"iPhone (*.mp4)", "Mono", 1},
        {"iPhone (*.mp4)", "Stereo", 2},
        {"Archos AV500/GMini402 (*.avi)", "Mono", 1},
        {"MP3 - Mpeg Layer3 Audio (*.mp3)", "Mono", 1},
        {"iPod (*.mp4)", "Mono", -1},
        {"Apple TV (*.mp4)", "Mono", -1},
        {"3GP - Mobile Video Format (*.3gp)", "Stereo", 1},
    };
    for (const auto& c : cases) {
        WindowLists w;
        ASSERT_TRUE(w.Choose(c.format));
        WindowLists::Pick(w.audioChannels, c.channels);
        EXPECT_EQ(w.Applied().AudioChannels, c.want) << c.format << " with " << c.channels;
    }
}

// The user's choices within a format, and what the rules make of them.
TEST(ProfileApply, ChosenCodecLabelsBecomeEncoderNames) {
    const struct {
        const char* format;
        const char* videoLabel;  // nullptr: the default
        const char* audioLabel;
        const char* videoCodec;
        const char* audioCodec;
        int audioBitrate;
    } cases[] = {
        {"PSP Video (*.mp4)", "XVID", nullptr, "libxvid", "libfaac", 64000},
        {"iPod Touch (*.mp4)", "H264", nullptr, "libx264", "libfaac", 80000},
        {"iPhone (*.mp4)", "H264", nullptr, "libx264", "libfaac", 80000},
        {"Archos AV500/GMini402 (*.avi)", nullptr, "mp2", "mpeg4", "mp2", 128000},
        {"3GP - Mobile Video Format (*.3gp)", "H263", "mpeg4aac", "h263", "libamr_nb", 7400},
        {"3G2 - Mobile Video Format (*.3g2)", "H264", "mpeg4aac", "libx264", "libamr_nb", 7400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        WindowLists w;
        ASSERT_TRUE(w.Choose(c.format));
        if (c.videoLabel) WindowLists::Pick(w.videoCodec, c.videoLabel);
        if (c.audioLabel) WindowLists::Pick(w.audioCodec, c.audioLabel);
        const TOutputOptions o = w.Applied();
        EXPECT_EQ(o.VideoCodec, c.videoCodec);
        EXPECT_EQ(o.AudioCodec, c.audioCodec);
        EXPECT_EQ(o.AudioBitrate, c.audioBitrate);
    }
}

TEST(ProfileApply, ChosenSizesRatesAndQualities) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("MOV - QuickTime Video (*.mov)"));
    WindowLists::Pick(w.videoSize, "704 x 576 (4CIF)");
    WindowLists::Pick(w.videoBitrate, "2500 Kbps");
    WindowLists::Pick(w.videoFramerate, "23.975 fps");
    TOutputOptions o = w.Applied();
    EXPECT_EQ(o.FrameSize, "704x576");
    EXPECT_EQ(o.VideoBitrate, 2500000);
    EXPECT_EQ(o.FrameRate, "24000/1001");

    ASSERT_TRUE(w.Choose("WAV - Waveform Audio (*.wav)"));
    WindowLists::Pick(w.samplingRate, "8000  Hz");
    EXPECT_EQ(w.Applied().AudioSampleRate, 8000);

    ASSERT_TRUE(w.Choose("3GP - Mobile Video Format (*.3gp)"));
    WindowLists::Pick(w.samplingRate, "16000 bps");
    WindowLists::Pick(w.audioBitrate, "12200 bps");
    WindowLists::Pick(w.videoFramerate, "11 fps");
    o = w.Applied();
    EXPECT_EQ(o.AudioSampleRate, 16000);
    EXPECT_EQ(o.AudioBitrate, 12200);
    EXPECT_EQ(o.FrameRate, "11/1");

    ASSERT_TRUE(w.Choose("Archos AV700 (*.avi)"));
    WindowLists::Pick(w.videoSize, "Auto");
    EXPECT_EQ(w.Applied().FrameSize, "Auto");  // resolved by job submission
}

// The rules on lists set by hand, for labels no profile offers.
class ApplyRules : public ::testing::Test {
protected:
    void Show(TSettingList& list, const std::string& text) {
        list.Clear();
        list.Add(text);
        list.SetItemIndex(0);
    }
    void SetUp() override {
        Show(w.videoBitrate, "768 Kbps");
        Show(w.videoSize, "320 x 240 ");
        Show(w.videoFramerate, "Auto");
        Show(w.audioBitrate, "64 Kbps");
        Show(w.samplingRate, "44100 Hz");
    }
    TOutputOptions Run(void (*rule)(const TProfileLists&, TOutputOptions&)) {
        TOutputOptions o;
        InitOutputOptions(o);
        rule(w.lists, o);
        return o;
    }
    WindowLists w;
};

TEST_F(ApplyRules, VideoLabelsUnderEachRule) {
    const struct {
        const char* label;
        const char* common;  // SetCodec
        const char* short_;  // SetCodecApple and SetCodec3GP
    } cases[] = {
        {"MPEG4", "mpeg4", "mpeg4"},     {"H264", "libx264", "libx264"}, {"XVid", "libxvid", "libxvid"},
        {"WMV2", "wmv2", "wmv2"},        {"WMV2X", "wmv2", "wmv2x"},     {"MPEG4_QT", "mpeg4", "mpeg4_qt"},
        {"H263", "h263", "h263"},        {"", "", ""},
    };
    for (const auto& c : cases) {
        Show(w.videoCodec, c.label);
        EXPECT_EQ(Run(SetCodec).VideoCodec, c.common) << c.label;
        EXPECT_EQ(Run(SetCodecApple).VideoCodec, c.short_) << c.label;
        EXPECT_EQ(Run(SetCodec3GP).VideoCodec, c.short_) << c.label;
    }
}

TEST_F(ApplyRules, AudioLabelsUnderTheCommonRuleAndFixedEncodersOtherwise) {
    const struct {
        const char* label;
        const char* encoder;
    } cases[] = {
        {"aac", "libfaac"},      {"AC3", "ac3"},          {"flac", "flac"},        {"asf", "mp3"},
        {"mp3", "libmp3lame"},   {"m4a", "mpeg4aac"},     {"mpeg4aac", "libfaac"}, {"ra", "ac3"},
        {"wma7x", "wmav2"},      {"WAV", "pcm_s16le"},    {"mpeg4aac_qt", "libfaac"}, {"amr_nb", "libamr_nb"},
        {"mp2", "mp2"},          {"wmav2", "wmav2"},      {"pcm_s16le", "pcm_s16le"}, {"pcm_s16be", "pcm_s16be"},
        {"Vorbis", "vorbis"},
    };
    for (const auto& c : cases) {
        Show(w.audioCodec, c.label);
        EXPECT_EQ(Run(SetCodec).AudioCodec, c.encoder) << c.label;
        EXPECT_EQ(Run(SetCodecApple).AudioCodec, "libfaac") << c.label;
        EXPECT_EQ(Run(SetCodec3GP).AudioCodec, "libamr_nb") << c.label;
    }
}

TEST_F(ApplyRules, AudioQualityUnitsPerRule) {
    const struct {
        const char* text;
        int common, apple, phone;
    } cases[] = {
        {"128 Kbps", 128000, 128000, 128},
        {"7400 bps", 7400, 7400000, 7400},
        {"64  Kbps", 64000, 64000, 64},
    };
    for (const auto& c : cases) {
        Show(w.audioBitrate, c.text);
        EXPECT_EQ(Run(SetCodec).AudioBitrate, c.common) << c.text;
        EXPECT_EQ(Run(SetCodecApple).AudioBitrate, c.apple) << c.text;
        EXPECT_EQ(Run(SetCodec3GP).AudioBitrate, c.phone) << c.text;
    }
}

TEST_F(ApplyRules, AudioOnlyExtensionsDisableVideoAndPhoneExtensionsForceMono) {
    for (const char* ext : {"AAC", "AC3", "AU", "MP2", "MP3", "WAV", "WMA", "RA", "M4A", "ASF", "AMR", "wma"}) {
        w.lists.OutputExtension = ext;
        EXPECT_TRUE(Run(SetCodec).DisableVideo) << ext;
        EXPECT_FALSE(Run(SetCodecApple).DisableVideo) << ext;
    }
    for (const char* ext : {"MP4", "AVI", "WMV", "MOV", "3GP", ""}) {
        w.lists.OutputExtension = ext;
        EXPECT_FALSE(Run(SetCodec).DisableVideo) << ext;
    }
    for (const auto& [ext, channels] : {std::pair{"3GP", 1}, {"3G2", 1}, {"MP4", 2}}) {
        w.lists.OutputExtension = ext;
        EXPECT_EQ(Run(SetCodec).AudioChannels, channels) << ext;
    }
}

TEST_F(ApplyRules, OriginalVideoSizeLeavesTheSizeUnsetOnlyUnderTheCommonRule) {
    Show(w.videoSize, "Original Video Size");
    EXPECT_EQ(Run(SetCodec).FrameSize, "");
    EXPECT_EQ(Run(SetCodecApple).FrameSize, "OriginalVideoSize");
}

TEST_F(ApplyRules, EmptyVideoListsGiveNoCodecNoSizeAndNoRate) {
    for (TSettingList* l : {&w.videoCodec, &w.videoSize, &w.videoBitrate, &w.videoFramerate}) l->Clear();
    const TOutputOptions o = Run(SetCodec);
    EXPECT_EQ(o.VideoCodec, "");
    EXPECT_EQ(o.FrameSize, "");
    EXPECT_EQ(o.VideoBitrate, 0);
    EXPECT_EQ(o.FrameRate, "");
}

TEST_F(ApplyRules, AQualityOrRateWithoutANumberFails) {
    w.samplingRate.Clear();
    EXPECT_THROW(Run(SetCodec), EConvertError);
    Show(w.samplingRate, "44100 Hz");
    Show(w.audioBitrate, "Auto");
    EXPECT_THROW(Run(SetCodec3GP), EConvertError);
}

}  // namespace
}  // namespace vidmorph
