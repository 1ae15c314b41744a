// Disc presets, pad colours and quantiser matrices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine_test_support.h"
#include "media_check.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using fixtures::MediaSpec;
using fixtures::TempDir;
using testing::LogLine;
using testing::MessageOf;

class TargetPresets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir();
        fixtures::MakeMediaFile(dir->File("pal.avi"), MediaSpec{.videoCodec = "mpeg4", .audioCodec = "pcm_s16le"});
        fixtures::MakeMediaFile(dir->File("slow.avi"), MediaSpec{.videoCodec = "mpeg4", .frameRate = {15, 1}});
        fixtures::MakeMediaFile(dir->File("tone.wav"), MediaSpec{.audioCodec = "pcm_s16le"});
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override {
        e.Prepare();
        log.Attach(e);
    }
    int64_t VideoOption(const char* name) {
        int64_t v = 0;
        av_opt_get_int(e.CodecDefaults[AVMEDIA_TYPE_VIDEO].get(), name, 0, &v);
        return v;
    }

    static TempDir* dir;
    TCustomFFmpeg e;
    testing::LogRecorder log;
};
TempDir* TargetPresets::dir = nullptr;

TEST_F(TargetPresets, PresetColumns) {
    const struct {
        const char* target;
        const char* vcodec;
        const char* acodec;
        const char* format;
        int width, height;
        AVRational rate;
        int gop, bitrate, audioBitrate, sampleRate;
    } cases[] = {
        {"pal-vcd", "mpeg1video", "mp2", "vcd", 352, 288, {25, 1}, 15, 1150000, 224000, 44100},
        {"ntsc-vcd", "mpeg1video", "mp2", "vcd", 352, 240, {30000, 1001}, 18, 1150000, 224000, 44100},
        {"pal-svcd", "mpeg2video", "mp2", "svcd", 480, 576, {25, 1}, 15, 2040000, 224000, 44100},
        {"ntsc-dvd", "mpeg2video", "ac3", "dvd", 720, 480, {30000, 1001}, 18, 6000000, 448000, 48000},
        {"film-dvd", "mpeg2video", "ac3", "dvd", 720, 480, {24000, 1001}, 18, 6000000, 448000, 48000},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        engine.ApplyOption("target", c.target);
        EXPECT_STREQ(engine.VideoCodecName.CStr(), c.vcodec) << c.target;
        EXPECT_STREQ(engine.AudioCodecName.CStr(), c.acodec) << c.target;
        EXPECT_STREQ(engine.ForcedOutputFormat->name, c.format) << c.target;
        EXPECT_EQ(engine.FrameWidth, c.width) << c.target;
        EXPECT_EQ(engine.FrameHeight, c.height) << c.target;
        EXPECT_EQ(av_cmp_q(engine.FrameRate, c.rate), 0) << c.target;
        EXPECT_EQ(engine.CodecDefaults[AVMEDIA_TYPE_VIDEO]->gop_size, c.gop) << c.target;
        EXPECT_EQ(engine.CodecDefaults[AVMEDIA_TYPE_VIDEO]->bit_rate, c.bitrate) << c.target;
        EXPECT_EQ(engine.CodecDefaults[AVMEDIA_TYPE_AUDIO]->bit_rate, c.audioBitrate) << c.target;
        EXPECT_EQ(engine.AudioSampleRate, c.sampleRate) << c.target;
        EXPECT_EQ(engine.AudioChannels, 2) << c.target;
    }

    e.ApplyOption("target", "pal-vcd");
    EXPECT_FLOAT_EQ(e.MuxPreload, 0.44f);
    EXPECT_FLOAT_EQ(e.FrameAspectRatio, 4.0f / 3.0f);
    EXPECT_EQ(e.FormatDefaults->packet_size, 2324u);
    EXPECT_EQ(VideoOption("maxrate"), 1150000);
    EXPECT_EQ(VideoOption("minrate"), 1150000);
    EXPECT_EQ(VideoOption("bufsize"), 327680);
    // The mux rate waits for the MPEG muxer, which alone knows it.
    EXPECT_THAT(e.PrivateOptions, ::testing::Contains(std::pair<std::string, std::string>("muxrate", "1411200")));

    TCustomFFmpeg dvd;
    dvd.Prepare();
    dvd.ApplyOption("aspect", "4:3");
    dvd.ApplyOption("target", "ntsc-dvd");
    EXPECT_FLOAT_EQ(dvd.FrameAspectRatio, 4.0f / 3.0f);  // an aspect already set stays

    TCustomFFmpeg svcd;
    svcd.Prepare();
    svcd.ApplyOption("target", "pal-svcd");
    EXPECT_THAT(svcd.PrivateOptions, ::testing::Contains(std::pair<std::string, std::string>("scan_offset", "1")));
}

TEST_F(TargetPresets, CamcorderPresets) {
    const struct {
        const char* target;
        int width, height;
        AVPixelFormat format;
        AVRational rate;
    } cases[] = {
        {"pal-dv", 720, 576, AV_PIX_FMT_YUV420P, {25, 1}},
        {"ntsc-dv", 720, 480, AV_PIX_FMT_YUV411P, {30000, 1001}},
        {"film-dv", 720, 480, AV_PIX_FMT_YUV411P, {24000, 1001}},
        {"ntsc-dv50", 720, 480, AV_PIX_FMT_YUV422P, {30000, 1001}},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        engine.ApplyOption("target", c.target);
        EXPECT_STREQ(engine.ForcedOutputFormat->name, "dv") << c.target;
        EXPECT_FALSE(engine.VideoCodecName.IsSet()) << c.target;
        EXPECT_EQ(engine.FrameWidth, c.width) << c.target;
        EXPECT_EQ(engine.FrameHeight, c.height) << c.target;
        EXPECT_EQ(engine.FramePixelFormat, c.format) << c.target;
        EXPECT_EQ(av_cmp_q(engine.FrameRate, c.rate), 0) << c.target;
        EXPECT_EQ(engine.AudioSampleRate, 48000) << c.target;
    }
}

TEST_F(TargetPresets, ChannelRules) {
    const struct {
        const char* target;
        const char* channels;
        int expected;
    } cases[] = {{"pal-vcd", "1", 2}, {"pal-vcd", "6", 2}, {"pal-svcd", "1", 2}, {"pal-svcd", "6", 6},
                 {"pal-dvd", "6", 6}, {"pal-dv", "6", 2}};
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        engine.ApplyOption("ac", c.channels);
        engine.ApplyOption("target", c.target);
        EXPECT_EQ(engine.AudioChannels, c.expected) << c.target << " after ac " << c.channels;
    }
}

TEST_F(TargetPresets, AutomaticNormFromTheInput) {
    ASSERT_TRUE(e.OpenInputFile(dir->File("pal.avi")));
    e.ApplyOption("target", "dvd");
    EXPECT_EQ(e.FrameHeight, 576);
    EXPECT_THAT(log.Lines(), ::testing::Contains(LogLine{1, "Assuming PAL for target."}));

    TCustomFFmpeg slow;
    slow.Prepare();
    ASSERT_TRUE(slow.OpenInputFile(dir->File("slow.avi")));
    slow.ApplyOption("target", "dvd");  // 15 fps: neither, so the fallback NTSC
    EXPECT_EQ(slow.FrameHeight, 480);
    EXPECT_EQ(av_cmp_q(slow.FrameRate, AVRational{30000, 1001}), 0);

    TCustomFFmpeg fallback;
    fallback.Prepare();
    fallback.ApplyOption("r", "15");
    fallback.ApplyTarget("vcd", "auto", "film");
    EXPECT_EQ(av_cmp_q(fallback.FrameRate, AVRational{24000, 1001}), 0);
    TCustomFFmpeg toPal;
    toPal.Prepare();
    toPal.ApplyOption("r", "15");
    toPal.ApplyTarget("vcd", "auto", "anything");
    EXPECT_EQ(toPal.FrameHeight, 288);
}

TEST_F(TargetPresets, Refusals) {
    ASSERT_TRUE(e.OpenInputFile(dir->File("tone.wav")));
    EXPECT_EQ(MessageOf([&] { e.ApplyOption("target", "dvd"); }), "frame_rate is invalid.");
    EXPECT_EQ(MessageOf([&] { e.ApplyOption("target", "pal-xyz"); }), "Unknown target type");
    EXPECT_EQ(MessageOf([&] { e.ApplyOption("target", "xyz"); }), "frame_rate is invalid.");
    e.ApplyOption("r", "25");
    EXPECT_EQ(MessageOf([&] { e.ApplyOption("target", "xyz"); }), "Unknown target type");
    EXPECT_FALSE(e.VideoCodecName.IsSet());  // nothing applied
    EXPECT_EQ(e.FrameWidth, 0);
}

TEST_F(TargetPresets, PadColours) {
    const struct {
        const char* value;
        std::array<int, 3> yuv;
    } cases[] = {{"0", {0, 128, 128}}, {"255", {76, 85, 255}}, {"16777215", {255, 128, 128}}, {"$FF0000", {29, 255, 107}}};
    for (const auto& c : cases) {
        e.ApplyOption("padcolor", c.value);
        EXPECT_EQ(e.PadColor, c.yuv) << c.value;
    }
}

TEST_F(TargetPresets, QuantiserMatrices) {
    std::string text;
    for (int i = 1; i <= 64; ++i) text += (i > 1 ? "," : "") + std::to_string(i);
    e.ApplyOption("intra_matrix", text);
    ASSERT_TRUE(e.IntraMatrix);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(e.IntraMatrix.get()[i], i + 1);
    e.ApplyOption("inter_matrix", " 16, 17" + text.substr(text.find(",3,")) + ",99,100");  // extra pieces ignored
    EXPECT_EQ(e.InterMatrix.get()[0], 16);
    EXPECT_EQ(e.InterMatrix.get()[63], 64);

    const std::string short63 = text.substr(0, text.rfind(','));
    EXPECT_EQ(MessageOf([&] { e.ApplyOption("inter_matrix", short63); }),
              "Syntax error in matrix \"" + short63 + "\" at coeff 62");
    EXPECT_EQ(e.InterMatrix.get()[61], 62);  // read before the error, kept
}

TEST_F(TargetPresets, TargetConversionsReadBack) {
    const struct {
        const char* target;
        const char* demuxer;
        AVCodecID video, audio;
        int width, height;
    } cases[] = {
        {"pal-vcd", "mpeg", AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2, 352, 288},
        {"ntsc-dvd", "mpeg", AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_AC3, 720, 480},
        {"pal-dv", "dv", AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE, 720, 576},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        ASSERT_TRUE(engine.OpenInputFile(dir->File("pal.avi")));
        engine.ApplyOption("target", c.target);
        const std::string out = dir->File(std::string(c.target) + ".out");
        ASSERT_TRUE(engine.OpenOutputFile(out)) << engine.LastOpenError;
        engine.Start(false, tpNormal);
        ASSERT_TRUE(engine.Finished) << c.target << ": " << engine.FailureMessage;
        const fixtures::FileInfo info = fixtures::ProbeMediaFile(out);
        EXPECT_EQ(info.demuxer, c.demuxer) << c.target;
        const auto* video = fixtures::FindStream(info, AVMEDIA_TYPE_VIDEO);
        const auto* audio = fixtures::FindStream(info, AVMEDIA_TYPE_AUDIO);
        ASSERT_TRUE(video && audio) << c.target;
        EXPECT_EQ(video->codec, c.video) << c.target;
        EXPECT_EQ(video->width, c.width) << c.target;
        EXPECT_EQ(video->height, c.height) << c.target;
        EXPECT_GT(video->frames, 20) << c.target;
        EXPECT_EQ(audio->codec, c.audio) << c.target;
    }
}

}  // namespace
}  // namespace vidmorph
