// What each output format loads into the setting lists, and which lists it
// leaves alone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "apple_profiles.h"
#include "profile_test_support.h"

namespace vidmorph {
namespace {

using testing::WindowLists;

// A list as "entry|entry|..." and its selected text.
struct List {
    std::string entries;
    std::string selected;
};

std::string Joined(const TSettingList& l) {
    std::string s;
    for (int i = 0; i < l.Count(); ++i) s += (i ? "|" : "") + l.Item(i);
    return s;
}

const std::string kSizes =
    "Original Video Size|128 x 96 (SQCIF)|160 x 120 (QVGA)|176 x 120|176 x 144 (QCIF)|192 x 144|208 x 176|"
    "220 x 176|240 x 180|320 x 200|320 x 240 (VGA)|352 x 240|352 x 288 (CIF)|480 x 272|480 x 360|480 x 480|"
    "480 x 576|624 x 352|640 x 352|640 x 480|704 x 576 (4CIF)|720 x 480|720 x 576";
const std::string kVideoQualities =
    "192 Kbps|200 Kbps|216 Kbps|384 Kbps|512 Kbps|640 Kbps|768 Kbps|1000 Kbps|1200 Kbps|1500 Kbps|1600 Kbps|"
    "2000 Kbps|2500 Kbps";
const std::string kFrameRates = "Auto|14.985 fps|15.0 fps|23.975 fps|25.0 fps|29.97 fps|30.0 fps";
const std::string kAudioQualities =
    "32 Kbps|40 Kbps|48 Kbps|64 Kbps|80 Kbps|96 Kbps|112 Kbps|128 Kbps|160 Kbps|192 Kbps|224 Kbps|256 Kbps|320 Kbps";
const std::string kRates = "8000 Hz|16000 Hz|22050 Hz|32000 Hz|44100 Hz|48000 Hz|54000 Hz|96000 Hz";
const std::string kRatesWide = "8000  Hz|16000 Hz|22050 Hz|32000 Hz|44100 Hz|48000 Hz|54000 Hz|96000 Hz";
const std::string kAppleQualities = "512 Kbps|800 Kbps|1200 Kbps|1500 Kbps|2500 Kbps";
const std::string kAmrQualities = "4750 bps|5150 bps|5900 bps|6700 bps|7400 bps|7950 bps|10200 bps|12200 bps";
const std::string kArchosSizes = "Auto|160 x 120|320 x 240|480 x 272|720 x 480|640 x 480";
const std::string kZuneSizes = "320 x 240 |640 x 480";
const std::string kZuneQualities = "256 Kbps|512 Kbps|768 Kbps|1200 Kbps|1500 Kbps|2000 Kbps";
const List kEmpty{"", ""};

struct FillCase {
    const char* format;
    List videoCodec, videoSize, videoBitrate, frameRate, audioCodec, audioBitrate, samplingRate;
    // What the channel and aspect lists show when nothing was selected there
    // before: an empty text means the fill left them alone.
    const char* channels;
    const char* aspect;
};

const FillCase kFills[] = {
    {"iPod (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"320 x 240", "320 x 240"}, {kAppleQualities, "512 Kbps"},
     {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "64 Kbps"}, {kRates, "44100 Hz"}, "", ""},
    {"iPod Extra (640 x 480) (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"640 x 480", "640 x 480"},
     {kAppleQualities, "1500 Kbps"}, {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "64 Kbps"},
     {kRates, "44100 Hz"}, "", ""},
    {"iPod Video For TV (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"640 x 480", "640 x 480"}, {kAppleQualities, "1500 Kbps"},
     {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "64 Kbps"}, {kRates, "44100 Hz"}, "", ""},
    {"iPod Touch (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"480 x 320", "480 x 320"}, {kAppleQualities, "1200 Kbps"},
     {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "80 Kbps"}, {kRates, "44100 Hz"}, "", ""},
    {"iPod Touch Extra (640 x 480) (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"640 x 480", "640 x 480"},
     {kAppleQualities, "1500 Kbps"}, {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "80 Kbps"},
     {kRates, "44100 Hz"}, "", ""},
    {"iPhone (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"480 x 320", "480 x 320"}, {kAppleQualities, "1200 Kbps"},
     {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "80 Kbps"}, {kRates, "44100 Hz"}, "Stereo",
     "Original"},
    {"iPhone Extra (640 x 480) (*.mp4)", {"MPEG4|H264", "MPEG4"}, {"640 x 480", "640 x 480"},
     {kAppleQualities, "1500 Kbps"}, {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "128 Kbps"},
     {kRates, "44100 Hz"}, "Stereo", "Original"},
    {"Apple TV (*.mp4)", {"MPEG4", "MPEG4"}, {"640 x 480", "640 x 480"}, {kAppleQualities, "1500 Kbps"},
     {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "128 Kbps"}, {kRates, "44100 Hz"}, "Stereo",
     "Original"},
    {"PSP Video (*.mp4)", {"MPEG4|H264|XVID", "MPEG4"}, {"160 x 112|320 x 240|368 x 208|480 x 272", "368 x 208"},
     {"768 Kbps", "768 Kbps"}, {"14.985 fps|29.97 fps", "29.97 fps"}, {"mpeg4aac", "mpeg4aac"},
     {"32 Kbps|48 Kbps|64 Kbps|96 Kbps|128 Kbps|160 Kbps", "64 Kbps"}, {"24000 Hz", "24000 Hz"}, "Stereo",
     "Original"},
    {"PS3 Video (*.mp4)", {"H264", "H264"}, {"640 x 480|720 x 480|720 x 576", "720 x 480"},
     {"1200 Kbps|1500 Kbps|2000 Kbps|2500 Kbps|3000 Kbps", "1200 Kbps"}, {"29.97 fps", "29.97 fps"},
     {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "96 Kbps"}, {kRatesWide, "44100 Hz"}, "Stereo", "Original"},
    {"Zune Mpeg4 Video (*.mp4)", {"MPEG4|H264", "MPEG4"}, {kZuneSizes, "320 x 240 "}, {kZuneQualities, "1500 Kbps"},
     {"29.97 fps", "29.97 fps"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "128 Kbps"}, {kRatesWide, "44100 Hz"},
     "Stereo", "Original"},
    {"Zune WMV Windows Media Video (*.wmv)", {"WMV2", "WMV2"}, {kZuneSizes, "320 x 240 "},
     {kZuneQualities, "1200 Kbps"}, {kFrameRates, "Auto"}, {"wmav2", "wmav2"}, {kAudioQualities, "128 Kbps"},
     {kRatesWide, "48000 Hz"}, "Stereo", "Original"},
    {"Archos AV500/GMini402 (*.avi)", {"MPEG4", "MPEG4"}, {kArchosSizes, "480 x 272"}, {kVideoQualities, "1200 Kbps"},
     {kFrameRates, "Auto"}, {"mp3|mp2", "mp3"}, {kAudioQualities, "128 Kbps"}, {kRates, "48000 Hz"}, "", ""},
    {"Archos AV700 (*.avi)", {"MPEG4", "MPEG4"}, {kArchosSizes, "720 x 480"},
     {"1000 Kbps|1200 Kbps|1500 Kbps|2000 Kbps|2500 Kbps", "2000 Kbps"}, {kFrameRates, "Auto"}, {"mp3|mp2", "mp3"},
     {kAudioQualities, "128 Kbps"}, {kRates, "48000 Hz"}, "", ""},
    {"Creative Zen Vision (*.avi)", {"MPEG4", "MPEG4"}, {kArchosSizes, "640 x 480"}, {kVideoQualities, "1200 Kbps"},
     {kFrameRates, "Auto"}, {"mp3|mp2", "mp3"}, {kAudioQualities, "128 Kbps"}, {kRates, "48000 Hz"}, "", ""},
    {"iRiver PMP100 (*.avi)", {"MPEG4", "MPEG4"}, {kArchosSizes, "640 x 480"}, {kVideoQualities, "1200 Kbps"},
     {kFrameRates, "Auto"}, {"mp3|mp2", "mp3"}, {kAudioQualities, "128 Kbps"}, {kRates, "48000 Hz"}, "", ""},
    {"3GP - Mobile Video Format (*.3gp)", {"MPEG4|H263|H264", "MPEG4"},
     {"128 x 96 (SQCIF)|160 x 120 (QVGA)|176 x 144 (QCIF)|208 x 176|220 x 176|320 x 240 (VGA)|352 x 288 (CIF)",
      "176 x 144 (QCIF)"},
     {"48 Kbps|64 Kbps|96 Kbps|128 Kbps|256 Kbps|512 Kbps", "128 Kbps"}, {"Auto|11 fps|14.985 fps|15 fps", "Auto"},
     {"amr_nb|mpeg4aac", "amr_nb"}, {kAmrQualities, "7400 bps"}, {"8000  bps|16000 bps", "8000  bps"}, "Mono", ""},
    {"3G2 - Mobile Video Format (*.3g2)", {"MPEG4|H263|H264", "MPEG4"},
     {"128 x 96 (SQCIF)|160 x 120 (QVGA)|176 x 144 (QCIF)|208 x 176|220 x 176|320 x 240 (VGA)|352 x 288 (CIF)",
      "176 x 144 (QCIF)"},
     {"48 Kbps|64 Kbps|96 Kbps|128 Kbps|256 Kbps|512 Kbps", "128 Kbps"}, {"Auto|11 fps|14.985 fps|15 fps", "Auto"},
     {"amr_nb|mpeg4aac", "amr_nb"}, {kAmrQualities, "7400 bps"}, {"8000  bps|16000 bps", "8000  bps"}, "Mono", ""},
    {"MOV - QuickTime Video (*.mov)", {"MPEG4", "MPEG4"}, {kSizes, "Original Video Size"},
     {kVideoQualities, "1200 Kbps"}, {kFrameRates, "Auto"}, {"mpeg4aac", "mpeg4aac"}, {kAudioQualities, "128 Kbps"},
     {kRates, "44100 Hz"}, "Stereo", "Original"},
    {"M4A - Mpeg4 Audio File (*.m4a)", kEmpty, kEmpty, kEmpty, kEmpty, {"mpeg4aac", "mpeg4aac"},
     {kAudioQualities, "128 Kbps"}, {kRates, "48000 Hz"}, "Stereo", "Original"},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", kEmpty, kEmpty, kEmpty, kEmpty, {"mp3", "mp3"}, {kAudioQualities, "192 Kbps"},
     {kRates, "48000 Hz"}, "Stereo", "Original"},
    {"WAV - Waveform Audio (*.wav)", kEmpty, kEmpty, kEmpty, kEmpty, {"pcm_s16le", "pcm_s16le"},
     {kAudioQualities, "128 Kbps"}, {kRatesWide, "44100 Hz"}, "Stereo", "Original"},
    {"WMA - Windows Media Audio (*.wma)", kEmpty, kEmpty, kEmpty, kEmpty, {"wmav2", "wmav2"},
     {kAudioQualities, "128 Kbps"}, {kRatesWide, "48000 Hz"}, "Stereo", "Original"},
};

TEST(ProfileFill, EveryFormatLoadsItsEntriesAndDefaults) {
    for (const FillCase& c : kFills) {
        SCOPED_TRACE(c.format);
        WindowLists w;
        // Every list holds something beforehand, so a list left alone shows
        // "stale", and channels and aspect have nothing selected.
        for (TSettingList* l : {&w.videoBitrate, &w.videoCodec, &w.videoSize, &w.videoFramerate, &w.audioBitrate,
                                &w.audioCodec, &w.samplingRate}) {
            l->Add("stale");
            l->SetItemIndex(0);
        }
        w.audioChannels.SetItemIndex(-1);
        w.aspectRatio.SetItemIndex(-1);

        ASSERT_TRUE(w.Choose(c.format));
        const std::pair<const TSettingList*, const List*> lists[] = {
            {&w.videoCodec, &c.videoCodec},     {&w.videoSize, &c.videoSize},       {&w.videoBitrate, &c.videoBitrate},
            {&w.videoFramerate, &c.frameRate},  {&w.audioCodec, &c.audioCodec},     {&w.audioBitrate, &c.audioBitrate},
            {&w.samplingRate, &c.samplingRate}};
        for (const auto& [list, want] : lists) {
            EXPECT_EQ(Joined(*list), want->entries);
            EXPECT_EQ(list->Text(), want->selected);
        }
        EXPECT_EQ(w.audioChannels.Text(), c.channels);
        EXPECT_EQ(w.aspectRatio.Text(), c.aspect);
        EXPECT_EQ(Joined(w.audioChannels), "Stereo|Mono");
        EXPECT_EQ(Joined(w.aspectRatio), "Original|4:3|16:9");
    }
}

TEST(ProfileFill, ChannelAndAspectChoicesSurviveProfilesThatDoNotSelectThem) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("3GP - Mobile Video Format (*.3gp)"));
    WindowLists::Pick(w.aspectRatio, "16:9");
    EXPECT_EQ(w.audioChannels.Text(), "Mono");
    ASSERT_TRUE(w.Choose("iPod (*.mp4)"));
    EXPECT_EQ(w.audioChannels.Text(), "Mono");
    EXPECT_EQ(w.aspectRatio.Text(), "16:9");
    ASSERT_TRUE(w.Choose("Archos AV500/GMini402 (*.avi)"));
    EXPECT_EQ(w.audioChannels.Text(), "Mono");
    ASSERT_TRUE(w.Choose("PSP Video (*.mp4)"));
    EXPECT_EQ(w.audioChannels.Text(), "Stereo");
    EXPECT_EQ(w.aspectRatio.Text(), "Original");
}

TEST(ProfileFill, RepeatedSelectionsReplaceEntriesInsteadOfAddingThem) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("Zune WMV Windows Media Video (*.wmv)"));
    ASSERT_TRUE(w.Choose("Zune WMV Windows Media Video (*.wmv)"));
    EXPECT_EQ(w.videoFramerate.Count(), 7);
    ASSERT_TRUE(w.Choose("MOV - QuickTime Video (*.mov)"));
    ASSERT_TRUE(w.Choose("MOV - QuickTime Video (*.mov)"));
    EXPECT_EQ(w.videoSize.Count(), 23);
    EXPECT_EQ(w.samplingRate.Count(), 8);
}

TEST(ProfileFill, StandardListsLoadWithNothingSelectedAndTheRestUntouched) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("iPod (*.mp4)"));
    FillBitrateSizeFrameRate(w.lists);
    const std::pair<const TSettingList*, std::string> loaded[] = {{&w.videoSize, kSizes},
                                                                  {&w.videoBitrate, kVideoQualities},
                                                                  {&w.videoFramerate, kFrameRates},
                                                                  {&w.audioBitrate, kAudioQualities},
                                                                  {&w.samplingRate, kRates}};
    for (const auto& [list, entries] : loaded) {
        EXPECT_EQ(Joined(*list), entries);
        EXPECT_EQ(list->ItemIndex(), -1);
    }
    EXPECT_EQ(Joined(w.videoCodec), "MPEG4|H264");
    EXPECT_EQ(w.videoCodec.Text(), "MPEG4");
    EXPECT_EQ(w.audioCodec.Text(), "mpeg4aac");
}

TEST(ProfileFill, AppleVariantsOutsideTheTablesFillOnlyWhatTheyKnow) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("PSP Video (*.mp4)"));
    FillIPod(w.lists, "Huge");
    EXPECT_EQ(Joined(w.videoCodec), "MPEG4|H264");
    EXPECT_EQ(Joined(w.audioCodec), "mpeg4aac");
    EXPECT_EQ(w.videoSize.Text(), "368 x 208");  // left from the PSP
    FillIPhone(w.lists, "320 x 240");
    EXPECT_EQ(Joined(w.videoSize), "320 x 240");
    EXPECT_EQ(w.videoSize.Text(), "320 x 240");
    EXPECT_EQ(w.videoBitrate.ItemIndex(), -1);
}

}  // namespace
}  // namespace vidmorph
