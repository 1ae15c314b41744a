// The shared part of job submission: output names, aspect ratio, volume, the
// size "Auto", and the record it hands over.
#include <gtest/gtest.h>

#include <fstream>

#include "job_options.h"
#include "media_fixture.h"
#include "profile_test_support.h"

namespace vidmorph {
namespace {

using fixtures::TempDir;
using testing::WindowLists;

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(JobOptions, UniqueOutputNameCountsUpPastExistingFiles) {
    TempDir dir;
    const std::string out = dir.Path().string() + "/";
    EXPECT_EQ(UniqueOutputName(out + "clip.avi", ".mp4"), out + "clip.mp4");
    Touch(out + "clip.mp4");
    Touch(out + "clip-1.mp4");
    EXPECT_EQ(UniqueOutputName(out + "clip.avi", ".mp4"), out + "clip-2.mp4");
    EXPECT_EQ(UniqueOutputName(out + "movie.final.mov", ".mp4"), out + "movie.final.mp4");
    EXPECT_EQ(UniqueOutputName(out + "track", ".mp3"), out + "track.mp3");
    std::filesystem::create_directory(out + "taken.mp4");  // a folder of that name is not written over
    EXPECT_EQ(UniqueOutputName(out + "taken.avi", ".mp4"), out + "taken-1.mp4");
}

TEST(JobOptions, OutputPathInTheOutputFolderWithTheRowsExtension) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    Touch(folder + "/clip.mp4");
    const struct {
        const char* input;
        std::string folder;
        const char* ext;
        bool overwrite;
        const char* name;
    } cases[] = {
        {"/in/clip.avi", folder, "MP4", false, "clip-1.mp4"},
        {"/in/clip.avi", folder, "MP4", true, "clip.mp4"},
        {"/in/clip.mov", folder, "MP4", true, "clip.mp4"},
        {"  /in/movie.final.mov ", folder, "MP4", false, "movie.final.mp4"},
        {"/in.d/track", folder + "/", "MP3", true, "track.mp3"},
        {"/in/clip.avi", "  " + folder + "  ", "3GP", false, "clip.3gp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JobOutputPath(c.input, c.folder, c.ext, c.overwrite), folder + "/" + c.name) << c.input;
}

TEST(JobOptions, OverwritingNeverNamesTheInputItself) {
    TempDir dir;
    const std::string input = dir.File("clip.avi");
    Touch(input);
    EXPECT_EQ(JobOutputPath(input, dir.Path().string(), "AVI", true), dir.File("clip-1.avi"));
    EXPECT_EQ(JobOutputPath(input, dir.Path().string() + "/.", "AVI", true), dir.Path().string() + "/./clip-1.avi");
    EXPECT_EQ(JobOutputPath(input, dir.Path().string(), "MP4", true), dir.File("clip.mp4"));
}

TEST(JobOptions, AspectRatioFromTheHiddenListOrTheVideoSize) {
    const struct {
        int index;
        const char* size;
        const char* ratio;
    } cases[] = {
        {0, "640x480", "1.3333"}, {0, "1280x720", "1.7778"}, {0, "720x576", "1.25"},  {0, "640x320", "2"},
        {0, " 352 x 288 ", "1.2222"}, {0, "", "1.3333"},     {0, " ", "1.3333"},      {0, "640x0", "1.3333"},
        {0, "0x480", "1.3333"},   {0, "abc", "1.3333"},      {0, "640x480x2", "1.3333"}, {-1, "1280x720", "1.7778"},
        {1, "1280x720", "4:3"},   {2, "640x480", "16:9"},
        // Halves go to even: 1.00005 and 1.00015 at four decimals.
        {0, "20001x20000", "1"},  {0, "20003x20000", "1.0002"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AspectRatioOf(c.index, c.size), c.ratio) << c.index << " \"" << c.size << '"';
    EXPECT_EQ(VideoSizeText(1280, 720), "1280x720");
    EXPECT_EQ(VideoSizeText(0, 0), " ");
}

TEST(JobOptions, VolumeSliderTable) {
    const int values[] = {600, 450, 400, 350, 300, 255, 200, 150, 100, 50, 1};
    const char* labels[] = {"200%", "180%", "160%", "140%", "120%", "100%", "80%", "60%", "40%", "20%", "0%"};
    for (int position = 0; position <= 10; ++position) {
        EXPECT_EQ(VolumeValue(position), values[position]) << position;
        EXPECT_EQ(VolumeLabel(position), labels[position]) << position;
    }
}

TEST(JobOptions, AutoSizeKeepsWhatFitsAndScalesTheRestDownEvenly) {
    const struct {
        int width, height;
        const char* size;
    } cases[] = {
        {352, 288, "352x288"},  {720, 480, "720x480"},  {321, 241, "320x240"},   {1280, 720, "720x406"},
        {1920, 1080, "720x406"}, {800, 600, "640x480"}, {720, 576, "600x480"},   {1440, 1080, "640x480"},
        {4000, 100, "720x18"},  {0, 0, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(AutoFrameSize(c.width, c.height), c.size) << c.width << "x" << c.height;
}

TEST(JobOptions, FillsTheRecordForOneFile) {
    TempDir dir;
    WindowLists w;
    ASSERT_TRUE(w.Choose("Creative Zen Vision (*.avi)"));
    WindowLists::Pick(w.videoSize, "Auto");

    TOutputOptions o;
    InitOutputOptions(o);
    o.Title[0] = 'x';  // left from the previous file
    o.AudioTag = "old";
    const TJobRequest job{.InputFile = "/media/in/clip.mkv",
                          .OutputFolder = dir.Path().string(),
                          .VolumePosition = 0,
                          .SourceWidth = 1280,
                          .SourceHeight = 720};
    const std::string name = FillJobOutputOptions(w.lists, job, o);
    EXPECT_EQ(name, dir.File("clip.avi"));
    EXPECT_EQ(o.FileName, name);
    EXPECT_EQ(o.FrameSize, "720x406");
    EXPECT_EQ(o.AspectRatio, "1.7778");
    EXPECT_EQ(o.AudioVolume, 600);
    EXPECT_EQ(o.VideoCodec, "mpeg4");
    EXPECT_EQ(o.AudioCodec, "libmp3lame");
    EXPECT_EQ(o.Title[0], '\0');
    EXPECT_EQ(o.AudioTag, "");

    // An audio-only source: the ratio of an unknown size, no size for "Auto".
    WindowLists::Pick(w.aspectRatio, "16:9");
    FillJobOutputOptions(w.lists, {.InputFile = "/media/in/song.mp3", .OutputFolder = dir.Path().string()}, o);
    EXPECT_EQ(o.AspectRatio, "16:9");
    EXPECT_EQ(o.FrameSize, "");
    EXPECT_EQ(o.AudioVolume, 255);
    w.aspectRatio.SetItemIndex(0);
    FillJobOutputOptions(w.lists, {.InputFile = "/media/in/song.mp3", .OutputFolder = dir.Path().string()}, o);
    EXPECT_EQ(o.AspectRatio, "1.3333");
}

TEST(JobOptions, AudioOnlyFormatsDisableVideoAndNameTheAudioFile) {
    TempDir dir;
    WindowLists w;
    for (const auto& [format, file] : {std::pair{"MP3 - Mpeg Layer3 Audio (*.mp3)", "clip.mp3"},
                                       {"WMA - Windows Media Audio (*.wma)", "clip.wma"},
                                       {"M4A - Mpeg4 Audio File (*.m4a)", "clip.m4a"},
                                       {"WAV - Waveform Audio (*.wav)", "clip.wav"}}) {
        ASSERT_TRUE(w.Choose(format));
        TOutputOptions o;
        const TJobRequest job{.InputFile = "/in/clip.avi",
                              .OutputFolder = dir.Path().string(),
                              .SourceWidth = 640,
                              .SourceHeight = 480};
        const std::string name = FillJobOutputOptions(w.lists, job, o);
        EXPECT_EQ(name, dir.File(file));
        EXPECT_TRUE(o.DisableVideo) << format;
    }
}

}  // namespace
}  // namespace vidmorph
