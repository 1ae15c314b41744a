// The file list's texts for a probed file.
#include "media_info_text.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/avutil.h>
}

#include "media_fixture.h"
#include "media_probe.h"

namespace vidmorph {
namespace {

TEST(MediaInfoText, FrameRates) {
    const struct {
        int num, den;
        const char* text;
    } cases[] = {{25, 1, "25"},   {30000, 1001, "29.97"}, {24000, 1001, "23.98"}, {15000, 1001, "14.99"},
                 {12, 1, "12"},   {2997, 100, "29.97"},   {0, 1, " "},            {25, 0, " "}};
    for (const auto& c : cases) EXPECT_EQ(FrameRateText(c.num, c.den), c.text) << c.num << "/" << c.den;
}

TEST(MediaInfoText, Durations) {
    const struct {
        int64_t us;
        const char* text;
    } cases[] = {{3725000000LL, "01:02:05"}, {400000000000LL, "111:06:40"}, {59600000, "00:00:59"},
                 {0, "00:00:00"},            {AV_NOPTS_VALUE, "Unknown"},     {-5000000, "Unknown"}};
    for (const auto& c : cases) EXPECT_EQ(DurationText(c.us), c.text) << c.us;
    EXPECT_EQ(FormatDuration(3725, "."), "01.02.05");
}

TEST(MediaInfoText, ProbedFiles) {
    fixtures::TempDir dir;
    fixtures::MakeMediaFile(dir.File("v.mp4"), {.videoCodec = "mpeg4", .width = 640, .height = 480,
                                                .frameRate = {30000, 1001}, .audioCodec = "aac", .seconds = 1.0});
    fixtures::MakeMediaFile(dir.File("a.mp3"), {.audioCodec = "libmp3lame", .seconds = 1.0});
    TAVProbe probe;
    ASSERT_TRUE(probe.OpenFile(dir.File("v.mp4"), ""));
    TMediaInfoTexts t = MediaInfoTexts(probe);
    EXPECT_EQ(t.VideoSize, "640x480");
    EXPECT_EQ(t.FrameRate, "29.97");
    EXPECT_EQ(t.Duration, "00:00:01");
    ASSERT_TRUE(probe.OpenFile(dir.File("a.mp3"), ""));
    t = MediaInfoTexts(probe);
    EXPECT_EQ(t.VideoSize, " ");
    EXPECT_EQ(t.FrameRate, " ");
    EXPECT_EQ(t.Width, 0);
}

}  // namespace
}  // namespace vidmorph
