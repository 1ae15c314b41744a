// Creating outputs and their streams from the settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/dict.h>
}

#include "engine_test_support.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using fixtures::MediaSpec;
using fixtures::TempDir;
using testing::MessageOf;

class OutputCreation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir();
        fixtures::MakeMediaFile(dir->File("av.mp4"), MediaSpec{.videoCodec = "mpeg4",
                                                               .width = 352,
                                                               .height = 288,
                                                               .audioCodec = "aac",
                                                               .seconds = 0.5});
        fixtures::MakeMediaFile(dir->File("tone.wav"), MediaSpec{.audioCodec = "pcm_s16le", .seconds = 0.5});
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override { e.Prepare(); }

    void Open(const std::string& input) { ASSERT_TRUE(e.OpenInputFile(dir->File(input))) << e.LastOpenError; }
    AVFormatContext& Output(int i = 0) { return *e.OutputFiles[i]; }
    AVCodecContext& Codec(int stream, int file = 0) { return *e.OutputCodecs[file][stream].Codec; }

    static TempDir* dir;
    TCustomFFmpeg e;
};
TempDir* OutputCreation::dir = nullptr;

TEST_F(OutputCreation, VideoAndAudioStreamsFromTheSettings) {
    Open("av.mp4");
    e.ApplyOption("vcodec", "mpeg4");
    e.ApplyOption("acodec", "aac");
    e.ApplyOption("s", "320x240");
    e.ApplyOption("r", "15");
    e.ApplyOption("ar", "22050");
    e.ApplyOption("ac", "1");
    e.ApplyOption("alang", "english");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("out.mp4"))) << e.LastOpenError;
    ASSERT_EQ(e.OutputFileCount, 1);
    ASSERT_EQ(Output().nb_streams, 2u);
    EXPECT_EQ(Codec(0).codec_type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(Codec(0).codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(Codec(0).width, 320);
    EXPECT_EQ(Codec(0).height, 240);
    EXPECT_EQ(av_cmp_q(Codec(0).time_base, AVRational{1, 15}), 0);
    EXPECT_TRUE(Codec(0).flags & AV_CODEC_FLAG_GLOBAL_HEADER);  // mp4 wants global headers
    EXPECT_EQ(Codec(1).codec_id, AV_CODEC_ID_AAC);
    EXPECT_EQ(Codec(1).sample_rate, 22050);
    EXPECT_EQ(Codec(1).ch_layout.nb_channels, 1);
    EXPECT_STREQ(av_dict_get(Output().streams[1]->metadata, "language", nullptr, 0)->value, "eng");
    // Consumed settings are reset for the next output.
    EXPECT_FALSE(e.VideoCodecName.IsSet());
    EXPECT_FALSE(e.AudioCodecName.IsSet());
    EXPECT_EQ(e.AudioLanguage, "");
    EXPECT_EQ(e.ForcedOutputFormat, nullptr);
}

TEST_F(OutputCreation, StreamKindsFollowTheInputs) {
    Open("tone.wav");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("audio.avi"))) << e.LastOpenError;
    ASSERT_EQ(Output().nb_streams, 1u);
    EXPECT_EQ(Codec(0).codec_type, AVMEDIA_TYPE_AUDIO);

    TCustomFFmpeg noVideo;
    noVideo.Prepare();
    ASSERT_TRUE(noVideo.OpenInputFile(dir->File("av.mp4")));
    noVideo.ApplyOption("vn", "");
    ASSERT_TRUE(noVideo.OpenOutputFile(dir->File("novideo.avi")));
    EXPECT_EQ(noVideo.OutputFiles[0]->nb_streams, 1u);
    EXPECT_EQ(noVideo.VideoDisable, 1);  // only a created video stream resets it
}

TEST_F(OutputCreation, StreamCopyTakesNothingFromTheSettings) {
    Open("av.mp4");
    e.ApplyOption("vcodec", "copy");
    e.ApplyOption("s", "160x120");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("copy.mp4")));
    EXPECT_TRUE(e.OutputCodecs[0][0].StreamCopy);
    EXPECT_EQ(Codec(0).codec_id, AV_CODEC_ID_NONE);
    EXPECT_EQ(Codec(0).width, 0);
    EXPECT_EQ(e.VideoStreamCopy, 0);
}

TEST_F(OutputCreation, FrameRateIsTheNearestTheEncoderLists) {
    const std::pair<const char*, AVRational> cases[] = {
        {"25", {25, 1}}, {"29.97", {30000, 1001}}, {"31", {30, 1}}, {"27", {25, 1}}, {"14", {15, 1}},
    };
    for (const auto& [rate, expected] : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        engine.ApplyOption("vcodec", "mpeg1video");
        engine.ApplyOption("s", "352x288");
        engine.ApplyOption("r", rate);
        ASSERT_TRUE(engine.OpenOutputFile(dir->File("rate.mpg"))) << engine.LastOpenError;
        EXPECT_EQ(av_cmp_q(engine.OutputCodecs[0][0].Codec->time_base, av_inv_q(expected)), 0) << rate;
    }
}

TEST_F(OutputCreation, SampleRateIsTheNearestTheEncoderLists) {
    const std::pair<const char*, int> cases[] = {{"96000", 48000}, {"54000", 48000}, {"22050", 22050}, {"8000", 8000}};
    for (const auto& [rate, expected] : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        engine.ApplyOption("vn", "");
        engine.ApplyOption("acodec", "libmp3lame");
        engine.ApplyOption("ar", rate);
        ASSERT_TRUE(engine.OpenOutputFile(dir->File("rate.mp3"))) << engine.LastOpenError;
        EXPECT_EQ(engine.OutputCodecs[0][0].Codec->sample_rate, expected) << rate;
        EXPECT_EQ(engine.OutputCodecs[0][0].Codec->time_base.den, expected) << rate;
    }
}

TEST_F(OutputCreation, SampleAspectPixelFormatAndFlags) {
    e.ApplyOption("vcodec", "mpeg4");
    e.ApplyOption("s", "352x288");
    e.ApplyOption("aspect", "4:3");
    e.ApplyOption("pix_fmt", "rgb24");  // mpeg4 takes yuv420p only
    e.ApplyOption("qscale", "4");
    e.ApplyOption("psnr", "");
    e.ApplyOption("pass", "1");
    e.ApplyOption("intra", "");
    e.ApplyOption("rc_override", "0,100,2/101,200,-50");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("aspect.avi"))) << e.LastOpenError;
    const AVCodecContext& c = Codec(0);
    EXPECT_EQ(c.sample_aspect_ratio.num, 12);
    EXPECT_EQ(c.sample_aspect_ratio.den, 11);
    EXPECT_EQ(c.pix_fmt, AV_PIX_FMT_YUV420P);
    EXPECT_TRUE(c.flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_EQ(c.global_quality, 4 * FF_QP2LAMBDA);
    EXPECT_FLOAT_EQ(e.OutputCodecs[0][0].Quality, 4.0f * FF_QP2LAMBDA);
    EXPECT_TRUE(c.flags & AV_CODEC_FLAG_PSNR);
    EXPECT_TRUE(c.flags & AV_CODEC_FLAG_PASS1);
    EXPECT_EQ(c.gop_size, 0);
    ASSERT_EQ(c.rc_override_count, 2);
    EXPECT_EQ(c.rc_override[0].start_frame, 0);
    EXPECT_EQ(c.rc_override[0].end_frame, 100);
    EXPECT_EQ(c.rc_override[0].qscale, 2);
    EXPECT_FLOAT_EQ(c.rc_override[0].quality_factor, 1.0f);
    EXPECT_EQ(c.rc_override[1].start_frame, 101);
    EXPECT_EQ(c.rc_override[1].qscale, 0);
    EXPECT_FLOAT_EQ(c.rc_override[1].quality_factor, 0.5f);
}

TEST_F(OutputCreation, MetadataReachesTheMuxer) {
    Open("tone.wav");
    e.ApplyOption("title", "Tone");
    e.ApplyOption("author", "Vidmorph");
    e.ApplyOption("album", "Fixtures");
    e.ApplyOption("genre", "Test");
    e.Year = 2026;
    e.Track = 3;
    ASSERT_TRUE(e.OpenOutputFile(dir->File("tagged.mp3")));
    const auto value = [&](const char* key) {
        const AVDictionaryEntry* entry = av_dict_get(Output().metadata, key, nullptr, 0);
        return entry ? std::string(entry->value) : std::string("<none>");
    };
    EXPECT_EQ(value("title"), "Tone");
    EXPECT_EQ(value("artist"), "Vidmorph");
    EXPECT_EQ(value("album"), "Fixtures");
    EXPECT_EQ(value("genre"), "Test");
    EXPECT_EQ(value("date"), "2026");
    EXPECT_EQ(value("track"), "3");
}

TEST_F(OutputCreation, FailureTexts) {
    const struct {
        std::vector<std::pair<const char*, const char*>> options;
        std::string file;
        std::string error;
    } cases[] = {
        {{}, dir->File("out.xyz"), "Unable to find a suitable output format for '" + dir->File("out.xyz") + "'"},
        {{{"vcodec", "nosuch"}}, dir->File("a.avi"), "new_video_stream fail: Unknown encoder 'nosuch'"},
        {{{"vcodec", "aac"}}, dir->File("a.avi"), "new_video_stream fail: Invalid encoder type 'aac'"},
        {{{"acodec", "libnosuch"}}, dir->File("a.avi"), "new_audio_stream fail: Unknown encoder 'libnosuch'"},
        {{{"rc_override", "10"}}, dir->File("a.avi"), "new_video_stream fail: error parsing rc_override"},
        {{{"scodec", "mpeg4"}}, dir->File("a.mkv"), "new_subtitle_stream fail: Invalid encoder type 'mpeg4'"},
        {{}, "/nonexistent-folder/out.avi", "Could not open '/nonexistent-folder/out.avi'"},
        {{{"f", "webm_chunk"}}, dir->File("chunk.chk"),
         TCustomFFmpeg::ErrorText(dir->File("chunk.chk"), AVERROR(EDOM))},
    };
    for (const auto& c : cases) {
        TCustomFFmpeg engine;
        engine.Prepare();
        for (const auto& [k, v] : c.options) engine.ApplyOption(k, v);
        EXPECT_FALSE(engine.OpenOutputFile(c.file)) << c.file;
        EXPECT_EQ(engine.LastOpenError, c.error);
        EXPECT_EQ(engine.OutputFileCount, 0);
        EXPECT_EQ(engine.ForcedOutputFormat, nullptr);
        EXPECT_FALSE(engine.VideoCodecName.IsSet());  // a failed look-up releases the name
    }
}

TEST_F(OutputCreation, NewStreamKeywordsJoinTheLastOutput) {
    EXPECT_EQ(MessageOf([&] { e.ApplyOption("newaudio", ""); }), "At least one output file must be specified");
    Open("av.mp4");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("multi.mkv")));
    const unsigned before = Output().nb_streams;
    e.ApplyOption("acodec", "mp2");
    e.ApplyOption("alang", "ger");
    e.ApplyOption("newaudio", "");
    ASSERT_EQ(Output().nb_streams, before + 1);
    EXPECT_EQ(Codec(before).codec_id, AV_CODEC_ID_MP2);
    EXPECT_STREQ(av_dict_get(Output().streams[before]->metadata, "language", nullptr, 0)->value, "ger");
    e.ApplyOption("newvideo", "");
    EXPECT_EQ(Output().nb_streams, before + 2);
}

}  // namespace
}  // namespace vidmorph
