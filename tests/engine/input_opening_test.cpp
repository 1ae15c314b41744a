// Opening inputs: parameters flowing back into the settings, start position,
// timestamp offsets, codec look-ups and the failure texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "engine_test_support.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using fixtures::MediaSpec;
using fixtures::TempDir;

const std::string kShared = VIDMORPH_SHARED_MEDIA;

class InputOpening : public ::testing::Test {
protected:
    void SetUp() override { e.Prepare(); }
    TCustomFFmpeg e;
    TempDir dir;
};

TEST_F(InputOpening, VideoFileSetsTheOutputDefaults) {
    ASSERT_TRUE(e.OpenInputFile(kShared + "/h264_720x480_30_aac.mov")) << e.LastOpenError;
    EXPECT_EQ(e.InputFileCount, 1);
    EXPECT_EQ(e.FrameWidth, 720);
    EXPECT_EQ(e.FrameHeight, 480);
    EXPECT_FLOAT_EQ(e.FrameAspectRatio, 1.5f);
    EXPECT_EQ(e.FramePixelFormat, AV_PIX_FMT_YUV444P10LE);  // as the other toolkit wrote it
    EXPECT_EQ(av_cmp_q(e.FrameRate, AVRational{30, 1}), 0);
    EXPECT_EQ(e.AudioSampleRate, 44100);
    EXPECT_EQ(e.AudioChannels, 2);
    EXPECT_NEAR(e.TotalDuration, 2000, 150);
    ASSERT_EQ(e.InputCodecs[0].size(), e.InputFiles[0]->nb_streams);
}

TEST_F(InputOpening, FilesOfOtherToolkitsOpen) {
    const struct {
        const char* file;
        int width, height, channels;
    } cases[] = {
        {"vp8_320x240_24_opus.webm", 320, 240, 2},
        {"theora_320x240_15_vorbis.ogg", 320, 240, 2},
        {"mjpeg_352x288_25_pcm.avi", 352, 288, 2},
        {"h264_1280x720_25_ac3_mono.mkv", 1280, 720, 1},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        ASSERT_TRUE(engine.OpenInputFile(kShared + "/" + c.file)) << c.file << ": " << engine.LastOpenError;
        EXPECT_EQ(engine.FrameWidth, c.width) << c.file;
        EXPECT_EQ(engine.FrameHeight, c.height) << c.file;
        EXPECT_EQ(engine.AudioChannels, c.channels) << c.file;
        EXPECT_GT(engine.TotalDuration, 1500) << c.file;
    }
}

TEST_F(InputOpening, AudioOnlyFileLeavesThePictureSettings) {
    e.ApplyOption("r", "25");
    ASSERT_TRUE(e.OpenInputFile(kShared + "/tone_44k_stereo_cbr.mp3")) << e.LastOpenError;
    EXPECT_EQ(av_cmp_q(e.FrameRate, AVRational{25, 1}), 0);
    EXPECT_EQ(e.FrameWidth, 0);
    EXPECT_EQ(e.AudioSampleRate, 44100);
}

TEST_F(InputOpening, SquareSampleAspectGivesWidthOverHeight) {
    const std::string file = dir.File("vga.mp4");
    fixtures::MakeMediaFile(file, MediaSpec{.videoCodec = "mpeg4", .width = 640, .height = 480, .seconds = 0.4});
    ASSERT_TRUE(e.OpenInputFile(file)) << e.LastOpenError;
    EXPECT_FLOAT_EQ(e.FrameAspectRatio, 640.0f / 480.0f);
}

TEST_F(InputOpening, StartTimeSeeksAndOffsetsTheTimestamps) {
    const std::string file = kShared + "/h264_720x480_30_aac.mov";
    e.ApplyOption("ss", "1");
    e.ApplyOption("itsoffset", "0.5");
    ASSERT_TRUE(e.OpenInputFile(file));
    const int64_t start = e.InputFiles[0]->start_time == AV_NOPTS_VALUE ? 0 : e.InputFiles[0]->start_time;
    EXPECT_EQ(e.StartTime, 0);  // consumed by the seek
    EXPECT_EQ(e.InputFileTsOffsets[0], 500000 - (1000000 + start));

    TCustomFFmpeg copying;
    copying.Prepare();
    copying.ApplyOption("ss", "1");
    copying.ApplyOption("itsoffset", "0.5");
    copying.ApplyOption("copyts", "");
    ASSERT_TRUE(copying.OpenInputFile(file));
    EXPECT_EQ(copying.InputFileTsOffsets[0], 500000);
}

TEST_F(InputOpening, FailuresLeaveTheirReasonAndAddNothing) {
    std::ofstream(dir.File("notes.avi")) << "these are not the frames you are looking for\n";
    const struct {
        std::vector<std::pair<const char*, const char*>> options;
        std::string file;
        std::string error;
    } cases[] = {
        {{}, dir.File("missing.avi"), dir.File("missing.avi") + ": no such file or directory"},
        {{}, dir.File("notes.avi"), dir.File("notes.avi") + ": Error while parsing header"},
        {{{"vcodec", "nosuch"}}, kShared + "/tone_44k_stereo_cbr.mp3", "Unknown decoder 'nosuch'"},
        {{{"acodec", "h264"}}, kShared + "/tone_44k_stereo_cbr.mp3", "Invalid decoder type 'h264'"},
        {{{"f", "wav"}}, kShared + "/tone_44k_stereo_cbr.mp3", "<any>"},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        for (const auto& [k, v] : c.options) engine.ApplyOption(k, v);
        EXPECT_FALSE(engine.OpenInputFile(c.file)) << c.file;
        if (c.error != "<any>") {
            EXPECT_EQ(engine.LastOpenError, c.error);
        }
        EXPECT_FALSE(engine.LastOpenError.empty());
        EXPECT_EQ(engine.InputFileCount, 0);
        // The per-input settings are cleared on failure too.
        EXPECT_EQ(engine.ForcedInputFormat, nullptr);
        EXPECT_FALSE(engine.VideoCodecName.IsSet());
        EXPECT_FALSE(engine.AudioCodecName.IsSet());
    }
}

TEST_F(InputOpening, PerInputSettingsAreClearedAfterOpening) {
    e.ApplyOption("f", "avi");
    e.ApplyOption("vcodec", "mjpeg");
    e.ApplyOption("acodec", "pcm_s16le");
    e.ApplyOption("re", "");
    e.ApplyOption("vc", "3");
    ASSERT_TRUE(e.OpenInputFile(kShared + "/mjpeg_352x288_25_pcm.avi")) << e.LastOpenError;
    EXPECT_EQ(e.ForcedInputFormat, nullptr);
    EXPECT_EQ(e.ForcedOutputFormat, nullptr);
    EXPECT_FALSE(e.VideoCodecName.IsSet());
    EXPECT_FALSE(e.AudioCodecName.IsSet());
    EXPECT_EQ(e.RateEmulation, 0);
    EXPECT_EQ(e.VideoChannel, 0);
    EXPECT_TRUE(e.InputCodecs[0][0].RateEmulation);  // the video stream reads at its own rate
    EXPECT_EQ(e.InputFiles[0]->video_codec_id, AV_CODEC_ID_MJPEG);
}

TEST_F(InputOpening, DurationOnlyRaisesTheTotal) {
    e.ApplyOption("t", "60");
    ASSERT_TRUE(e.OpenInputFile(kShared + "/tone_44k_stereo_cbr.mp3"));
    EXPECT_EQ(e.TotalDuration, 60000);
}

TEST_F(InputOpening, CodecLookUpResolvesHistoricalEncoderNames) {
    const struct {
        const char* name;
        AVMediaType kind;
        AVCodecID id;
    } found[] = {
        {"libfaac", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AAC},
        {"mpeg4aac", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AAC},
        {"libamr_nb", AVMEDIA_TYPE_AUDIO, AV_CODEC_ID_AMR_NB},
        {"libx264", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_H264},
        {"", AVMEDIA_TYPE_VIDEO, AV_CODEC_ID_NONE},
    };
    for (const auto& c : found) {
        AVCodecID id;
        EXPECT_TRUE(e.FindCodecId(c.name, c.kind, true, id)) << c.name;
        EXPECT_EQ(id, c.id) << c.name;
    }
    AVCodecID id;
    EXPECT_FALSE(e.FindCodecId("libfaac", AVMEDIA_TYPE_VIDEO, true, id));
    EXPECT_EQ(e.LastOpenError, "Invalid encoder type 'libfaac'");
    EXPECT_FALSE(e.FindCodecId("libnosuch", AVMEDIA_TYPE_AUDIO, true, id));
    EXPECT_EQ(e.LastOpenError, "Unknown encoder 'libnosuch'");
}

}  // namespace
}  // namespace vidmorph
