// The catalogue, the format list and the selection procedure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "profile_test_support.h"

namespace vidmorph {
namespace {

using ::testing::ElementsAreArray;
using testing::WindowLists;

const std::string kSeparator = "              -----------------------------------------";  // 14 + 41

TEST(OutputFormat, CatalogueRowsAndTheirPlaceInTheFormatList) {
    const struct {
        int profile;
        const char* name;
        const char* extension;
        int listIndex;
    } rows[] = {
        {0, "3GP - Mobile Video Format (*.3gp)", "3GP", 14},
        {1, "3G2 - Mobile Video Format (*.3g2)", "3G2", 15},
        {3, "iPod (*.mp4)", "MP4", 0},
        {4, "iPod Extra (640 x 480) (*.mp4)", "MP4", 1},
        {6, "iPod Video For TV (*.mp4)", "MP4", 20},
        {10, "Apple TV (*.mp4)", "MP4", 16},
        {13, "iPod Touch (*.mp4)", "MP4", 3},
        {14, "iPod Touch Extra (640 x 480) (*.mp4)", "MP4", 4},
        {18, "iPhone (*.mp4)", "MP4", 6},
        {19, "iPhone Extra (640 x 480) (*.mp4)", "MP4", 7},
        {26, "MOV - QuickTime Video (*.mov)", "MOV", 22},
        {40, "M4A - Mpeg4 Audio File (*.m4a)", "M4A", 9},
        {41, "MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", 10},
        {44, "WAV - Waveform Audio (*.wav)", "WAV", 11},
        {45, "WMA - Windows Media Audio (*.wma)", "WMA", 12},
        {49, "Zune Mpeg4 Video (*.mp4)", "MP4", 25},
        {50, "Zune WMV Windows Media Video (*.wmv)", "WMV", 26},
        {53, "PSP Video (*.mp4)", "MP4", 24},
        {58, "PS3 Video (*.mp4)", "MP4", 23},
        {63, "Archos AV500/GMini402 (*.avi)", "AVI", 17},
        {64, "Archos AV700 (*.avi)", "AVI", 18},
        {65, "Creative Zen Vision (*.avi)", "AVI", 19},
        {66, "iRiver PMP100 (*.avi)", "AVI", 21},
    };
    ASSERT_EQ(TheAVCodecs.size(), std::size(rows));
    WindowLists w;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const TheAVCodec& row = TheAVCodecs[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(row.Profile, rows[i].profile);
        EXPECT_EQ(row.DisplayName, rows[i].name);
        EXPECT_EQ(row.Extension, rows[i].extension);
        EXPECT_EQ(w.format.Item(rows[i].listIndex), rows[i].name);
        EXPECT_EQ(FindAVCodec(rows[i].name), &row);
    }
}

TEST(OutputFormat, FormatListHasTheRowsGroupedBySeparatorsAndSelectsTheFirst) {
    WindowLists w;
    ASSERT_EQ(w.format.Count(), 27);
    EXPECT_EQ(w.format.ItemIndex(), 0);
    std::vector<int> separators;
    for (int i = 0; i < w.format.Count(); ++i)
        if (w.format.Item(i) == kSeparator) separators.push_back(i);
    EXPECT_EQ(separators, (std::vector<int>{2, 5, 8, 13}));
    EXPECT_EQ(FormatListSeparator, kSeparator);
    // Filling again starts over.
    w.format.SetItemIndex(9);
    FillComboOutputFormat(w.lists);
    EXPECT_EQ(w.format.Count(), 27);
    EXPECT_EQ(w.format.ItemIndex(), 0);
}

TEST(OutputFormat, LookupIsExactCaseSensitiveAndUntrimmed) {
    EXPECT_NE(FindAVCodec("iPod (*.mp4)"), nullptr);
    for (const char* text : {" iPod (*.mp4)", "iPod (*.mp4) ", "ipod (*.mp4)", "iPod", "", kSeparator.c_str()})
        EXPECT_EQ(FindAVCodec(text), nullptr) << '"' << text << '"';
}

TEST(OutputFormat, SeparatorPutsThePreviousEntryBackAndChangesNothing) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("iPod Extra (640 x 480) (*.mp4)"));
    WindowLists::Pick(w.videoBitrate, "2500 Kbps");  // the user's choice survives
    w.lists.DropDownCount = 30;

    w.format.SetItemIndex(2);
    EXPECT_FALSE(ComboOutputFormatChange(w.lists, 40));
    EXPECT_EQ(w.format.ItemIndex(), 1);
    EXPECT_EQ(w.format.Text(), "iPod Extra (640 x 480) (*.mp4)");
    EXPECT_EQ(w.videoBitrate.Text(), "2500 Kbps");
    EXPECT_EQ(w.videoSize.Text(), "640 x 480");
    EXPECT_EQ(w.lists.OutputExtension, "MP4");
    EXPECT_EQ(w.lists.DropDownCount, 30);
    EXPECT_EQ(w.lists.PreviousFormatIndex, 1);

    // Any text holding fourteen blanks and four hyphens counts as a separator.
    w.format.Add(std::string(14, ' ') + "----x");
    w.format.SetItemIndex(w.format.Count() - 1);
    EXPECT_FALSE(ComboOutputFormatChange(w.lists, 40));
    EXPECT_EQ(w.format.ItemIndex(), 1);
}

TEST(OutputFormat, SelectionFillsRecordsTheExtensionTheIndexAndTheDropDownCount) {
    WindowLists w;
    EXPECT_EQ(w.lists.OutputExtension, "");
    EXPECT_TRUE(w.Choose("Archos AV700 (*.avi)"));
    EXPECT_EQ(w.lists.OutputExtension, "AVI");
    EXPECT_EQ(w.lists.PreviousFormatIndex, 18);
    EXPECT_EQ(w.lists.DropDownCount, 27);
    EXPECT_EQ(w.videoSize.Text(), "720 x 480");

    EXPECT_TRUE(w.Choose("M4A - Mpeg4 Audio File (*.m4a)"));
    EXPECT_EQ(w.lists.OutputExtension, "M4A");
    EXPECT_EQ(w.lists.PreviousFormatIndex, 9);

    EXPECT_TRUE(w.Choose("PSP Video (*.mp4)"));
    EXPECT_EQ(w.lists.OutputExtension, "MP4");
    EXPECT_EQ(w.videoSize.Text(), "368 x 208");
}

TEST(OutputFormat, ChoosingTheSameEntryAgainRestoresTheDefaults) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("MOV - QuickTime Video (*.mov)"));
    WindowLists::Pick(w.videoSize, "640 x 480");
    WindowLists::Pick(w.samplingRate, "8000 Hz");
    ASSERT_TRUE(w.Choose("MOV - QuickTime Video (*.mov)"));
    EXPECT_EQ(w.videoSize.Text(), "Original Video Size");
    EXPECT_EQ(w.samplingRate.Text(), "44100 Hz");
}

TEST(OutputFormat, TextMatchingNoRowFillsAndAppliesNothing) {
    WindowLists w;
    ASSERT_TRUE(w.Choose("PSP Video (*.mp4)"));
    w.format.Add("Something else");
    w.format.SetItemIndex(w.format.Count() - 1);
    EXPECT_TRUE(ComboOutputFormatChange(w.lists, 27));
    EXPECT_EQ(w.lists.OutputExtension, "MP4");
    EXPECT_EQ(w.videoSize.Text(), "368 x 208");

    const TOutputOptions o = w.Applied();
    EXPECT_EQ(o.VideoCodec, "");
    EXPECT_EQ(o.AudioCodec, "");
    EXPECT_EQ(o.VideoBitrate, -1);
    EXPECT_EQ(o.AudioSampleRate, -1);
}

TEST(OutputFormat, IPodVideoForTVFillsAndAppliesLikeIPodExtra) {
    WindowLists extra, tv;
    extra.Choose("iPod Extra (640 x 480) (*.mp4)");
    tv.Choose("iPod Video For TV (*.mp4)");
    for (auto list : {&WindowLists::videoBitrate, &WindowLists::videoCodec, &WindowLists::videoSize,
                      &WindowLists::videoFramerate, &WindowLists::audioBitrate, &WindowLists::audioCodec,
                      &WindowLists::audioChannels, &WindowLists::samplingRate, &WindowLists::aspectRatio}) {
        EXPECT_EQ(Entries(tv.*list), Entries(extra.*list));
        EXPECT_EQ((tv.*list).ItemIndex(), (extra.*list).ItemIndex());
    }
    const TOutputOptions a = extra.Applied(), b = tv.Applied();
    EXPECT_EQ(a.VideoCodec, b.VideoCodec);
    EXPECT_EQ(a.FrameSize, b.FrameSize);
    EXPECT_EQ(a.VideoBitrate, b.VideoBitrate);
    EXPECT_EQ(a.AudioBitrate, b.AudioBitrate);
    EXPECT_EQ(tv.lists.OutputExtension, "MP4");
}

TEST(OutputFormat, DropDownCountFollowsTheAdditionalOptionsField) {
    WindowLists w;
    ComboOutputFormatDropDown(w.lists, 33);
    EXPECT_EQ(w.lists.DropDownCount, 33);
    const struct {
        const char* field;
        int count;
    } cases[] = {{"27", 27}, {"26", 26}, {"47", 47}, {"word", 26}, {"", 26}, {"12", 26}, {"100", 47}};
    for (const auto& c : cases) EXPECT_EQ(DropDownItemsOf(c.field), c.count) << c.field;
}

}  // namespace
}  // namespace vidmorph
