// The media probe: counts, sizes, frame rates, durations and metadata of
// what the file list shows, and its failures.
#include "media_probe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "engine.h"
#include "library_binding.h"
#include "media_fixture.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vidmorph {
namespace {

using fixtures::MediaSpec;
using fixtures::TempDir;

const std::string kShared = VIDMORPH_SHARED_MEDIA;

// Lines the probe writes to the library log.
std::vector<std::string>* gLines = nullptr;
void Capture(void*, int level, const char* format, va_list args) {
    if (!gLines || level > AV_LOG_INFO) return;
    char line[256];
    std::vsnprintf(line, sizeof line, format, args);
    gLines->push_back(line);
}

class MediaProbe : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir();
        const std::pair<const char*, MediaSpec> files[] = {
            {"ntsc.mp4", {.videoCodec = "mpeg4", .width = 320, .height = 240, .frameRate = {30000, 1001}, .audioCodec = "aac"}},
            {"pal.avi", {.videoCodec = "mpeg4", .width = 352, .height = 288, .audioCodec = "libmp3lame"}},
            {"phone.3gp", {.videoCodec = "h263", .width = 176, .height = 144, .frameRate = {15, 1}, .audioCodec = "libopencore_amrnb", .sampleRate = 8000, .channels = 1}},
            {"tv.mov", {.videoCodec = "mpeg4", .width = 640, .height = 480, .frameRate = {24000, 1001}, .audioCodec = "aac"}},
            {"zune.wmv", {.container = "asf", .videoCodec = "wmv2", .width = 320, .height = 240, .audioCodec = "wmav2"}},
            {"tone.wav", {.audioCodec = "pcm_s16le"}},
            {"song.m4a", {.container = "ipod", .audioCodec = "aac"}},
            {"song.wma", {.container = "asf", .audioCodec = "wmav2"}},
        };
        for (const auto& [name, spec] : files) fixtures::MakeMediaFile(dir->File(name), spec);
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override {
        gLines = &lines;
        av_log_set_callback(Capture);
    }
    void TearDown() override {
        av_log_set_callback(av_log_default_callback);
        gLines = nullptr;
    }

    static TempDir* dir;
    TAVProbe probe;
    std::vector<std::string> lines;
};
TempDir* MediaProbe::dir = nullptr;

TEST_F(MediaProbe, FilesOfTheCatalogue) {
    const struct {
        std::string file;
        int video, audio, width, height, rateNum, rateDen;
        double seconds;
    } cases[] = {
        {dir->File("ntsc.mp4"), 1, 1, 320, 240, 30000, 1001, 1.0},
        {dir->File("pal.avi"), 1, 1, 352, 288, 25, 1, 1.0},
        {dir->File("phone.3gp"), 1, 1, 176, 144, 15, 1, 1.0},
        {dir->File("tv.mov"), 1, 1, 640, 480, 24000, 1001, 1.0},
        {dir->File("zune.wmv"), 1, 1, 320, 240, 25, 1, 1.0},
        {dir->File("tone.wav"), 0, 1, -1, -1, -1, -1, 1.0},
        {dir->File("song.m4a"), 0, 1, -1, -1, -1, -1, 1.0},
        {dir->File("song.wma"), 0, 1, -1, -1, -1, -1, 1.0},
        {kShared + "/tone_44k_stereo_cbr.mp3", 0, 1, -1, -1, -1, -1, 2.0},
        {kShared + "/h264_720x480_30_aac.mov", 1, 1, 720, 480, 30, 1, 2.0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(probe.OpenFile(c.file, "")) << c.file << ": " << probe.LastError;
        EXPECT_EQ(probe.VideoStreamCount, c.video) << c.file;
        EXPECT_EQ(probe.AudioStreamCount, c.audio) << c.file;
        EXPECT_EQ(probe.StreamCount, c.video + c.audio) << c.file;
        EXPECT_EQ(probe.FirstVideoStream, c.video ? 0 : -1) << c.file;
        TProbeVideoInfo video;
        probe.ReadDefaultVideoInfo(video);
        EXPECT_EQ(video.Width, c.width) << c.file;
        EXPECT_EQ(video.Height, c.height) << c.file;
        EXPECT_EQ(video.FrameRateNum, c.rateNum) << c.file;
        EXPECT_EQ(video.FrameRateDen, c.rateDen) << c.file;
        TProbeFileInfo info;
        probe.ReadFileInfo(info);
        EXPECT_NEAR(info.Duration / 1e6, c.seconds, 0.15) << c.file;
    }
    // The MP3 has no video: the defaults, and one log line.
    EXPECT_THAT(lines, ::testing::Contains("no video stream.\n"));
}

TEST_F(MediaProbe, VideoInfoDetails) {
    ASSERT_TRUE(probe.OpenFile(kShared + "/h264_1280x720_25_ac3_mono.mkv", ""));
    TProbeVideoInfo v;
    probe.ReadVideoInfo(-1, v);
    EXPECT_STREQ(v.CodecName.data(), "h264");
    EXPECT_STREQ(v.Language.data(), "eng");
    EXPECT_FLOAT_EQ(v.DisplayAspect, 1280.0f / 720.0f);
    EXPECT_NE(v.PixelFormat, -1);
    EXPECT_EQ(v.StartTimeUs, 0);

    probe.ReadVideoInfo(5, v);
    EXPECT_EQ(v.Width, -1);
    probe.ReadVideoInfo(1, v);  // the audio stream
    EXPECT_EQ(v.Width, -1);
    EXPECT_THAT(lines, ::testing::IsSupersetOf({"stream index #5 is invalid.\n", "stream #1 is not video stream.\n"}));
}

TEST_F(MediaProbe, SubtitleBeforeVideo) {
    // Made with the engine: the subtitle stream first, the video added after it.
    fixtures::MakeMediaFile(dir->File("cues.mp4"), MediaSpec{.videoCodec = "mpeg4", .subtitle = true});
    TCustomFFmpeg e;
    e.Prepare();
    ASSERT_TRUE(e.OpenInputFile(dir->File("cues.mp4")));
    e.ApplyOption("vn", "");
    e.ApplyOption("scodec", "subrip");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("first.mkv")));
    e.ApplyOption("vcodec", "mpeg4");
    e.ApplyOption("newvideo", "");
    e.Start(false, tpNormal);
    ASSERT_TRUE(e.Finished) << e.FailureMessage;

    ASSERT_TRUE(probe.OpenFile(dir->File("first.mkv"), ""));
    EXPECT_EQ(probe.FirstSubtitleStream, 0);
    EXPECT_EQ(probe.FirstVideoStream, 1);
    TProbeVideoInfo v;
    probe.ReadDefaultVideoInfo(v);
    EXPECT_EQ(v.Width, 320);
}

TEST_F(MediaProbe, Metadata) {
    TCustomFFmpeg e;
    e.Prepare();
    ASSERT_TRUE(e.OpenInputFile(dir->File("tone.wav")));
    e.ApplyOption("title", "A Title");
    e.ApplyOption("author", "An Author");
    e.ApplyOption("album", "An Album");
    e.ApplyOption("genre", "Ambient");
    e.ApplyOption("comment", "A comment");
    e.Year = 2026;
    e.Track = 4;
    ASSERT_TRUE(e.OpenOutputFile(dir->File("tagged.mp3")));
    e.Start(false, tpNormal);
    ASSERT_TRUE(probe.OpenFile(dir->File("tagged.mp3"), ""));
    TProbeFileInfo info;
    probe.ReadFileInfo(info);
    EXPECT_STREQ(info.Title.data(), "A Title");
    EXPECT_STREQ(info.Author.data(), "An Author");
    EXPECT_STREQ(info.Album.data(), "An Album");
    EXPECT_STREQ(info.Genre.data(), "Ambient");
    EXPECT_STREQ(info.Comment.data(), "A comment");
    EXPECT_EQ(info.Year, 2026);
    EXPECT_EQ(info.Track, 4);
}

TEST_F(MediaProbe, FileWithoutDuration) {
    // A raw stream carries no duration of its own until it is read through.
    std::ofstream(dir->File("raw.h264"), std::ios::binary);  // empty placeholder replaced below
    TCustomFFmpeg e;
    e.Prepare();
    ASSERT_TRUE(e.OpenInputFile(dir->File("pal.avi")));
    e.ApplyOption("vcodec", "libx264");
    e.ApplyOption("an", "");
    e.ApplyOption("f", "h264");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("raw.h264")));
    e.Start(false, tpNormal);
    ASSERT_TRUE(probe.OpenFile(dir->File("raw.h264"), "h264")) << probe.LastError;
    EXPECT_EQ(probe.FormatName, "h264");
    TProbeFileInfo info;
    probe.ReadFileInfo(info);
    EXPECT_EQ(info.Duration, AV_NOPTS_VALUE);
}

TEST_F(MediaProbe, Failures) {
    std::ofstream(dir->File("notes.txt")) << "not a media file at all\n";
    const struct {
        std::string file, format, error;
    } cases[] = {
        {dir->File("missing.avi"), "", dir->File("missing.avi") + ": no such file or directory"},
        {dir->File("notes.txt"), "", dir->File("notes.txt") + ": Error while parsing header"},
        {dir->File("pal.avi"), "nosuchformat", "Unknown input format: nosuchformat"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(probe.OpenFile(dir->File("pal.avi"), ""));  // a failed open also closes what was open
        EXPECT_FALSE(probe.OpenFile(c.file, c.format)) << c.file;
        EXPECT_EQ(probe.LastError, c.error);
        EXPECT_EQ(probe.StreamCount, -1);
        EXPECT_EQ(probe.VideoStreamCount, -1);
        EXPECT_EQ(probe.FirstAudioStream, -1);
        EXPECT_EQ(probe.FormatContext(), nullptr);
    }
    TProbeFileInfo info;
    probe.ReadFileInfo(info);
    EXPECT_EQ(info.Duration, -1);
    EXPECT_THAT(lines, ::testing::Contains("file not loaded.\n"));
}

TEST_F(MediaProbe, CheckLibrariesNamesTheFirstMissing) {
    UnbindCodecLibraries();
    try {
        probe.OpenFile(dir->File("pal.avi"), "");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "LibAVCodec not loaded.");
    }
    ASSERT_TRUE(BindCodecLibraries("", true));
    EXPECT_NO_THROW(TAVProbe::CheckLibraries());
}

}  // namespace
}  // namespace vidmorph
