// The setup phase of a run: every container and encoder pair of the catalogue
// reaches a written header; mapping, copy and encoder failures give their texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using fixtures::MediaSpec;
using fixtures::TempDir;
using testing::MessageOf;

using Options = std::vector<std::pair<std::string, std::string>>;

class TranscodeSetup : public testing::ClipSuite<5> {
protected:
    // An engine with `input` open, then `options`, then `output` created.
    std::unique_ptr<TCustomFFmpeg> Engine(const std::string& input, const Options& options, const std::string& output,
                                          const Options& before = {}) {
        auto engine = std::make_unique<TCustomFFmpeg>();
        engine->Prepare();
        for (const auto& [k, v] : before) engine->ApplyOption(k, v);
        EXPECT_TRUE(engine->OpenInputFile(dir->File(input))) << engine->LastOpenError;
        for (const auto& [k, v] : options) engine->ApplyOption(k, v);
        EXPECT_TRUE(engine->OpenOutputFile(dir->File(output))) << output << ": " << engine->LastOpenError;
        return engine;
    }
};

TEST_F(TranscodeSetup, EveryCatalogueContainerAndEncoderPairWritesItsHeader) {
    const Options phone{{"s", "176x144"}, {"ar", "8000"}, {"ac", "1"}, {"acodec", "libamr_nb"}, {"ab", "12200"}};
    const struct {
        const char* output;
        Options options;
        AVCodecID video, audio;
    } cases[] = {
        {"mpeg4_aac.mp4", {{"vcodec", "mpeg4"}, {"acodec", "libfaac"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC},
        {"x264_aac.mp4", {{"vcodec", "libx264"}, {"acodec", "aac"}}, AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
        {"ipod.mp4", {{"f", "ipod"}, {"vcodec", "libx264"}, {"acodec", "aac"}}, AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
        {"psp.mp4", {{"f", "psp"}, {"vcodec", "mpeg4"}, {"acodec", "aac"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC},
        {"mpeg4_aac.mov", {{"vcodec", "mpeg4"}, {"acodec", "aac"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC},
        {"x264_aac.mov", {{"vcodec", "libx264"}, {"acodec", "aac"}}, AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
        {"mpeg4_amr.3gp", {{"vcodec", "mpeg4"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AMR_NB},
        {"h263_amr.3gp", {{"vcodec", "h263"}}, AV_CODEC_ID_H263, AV_CODEC_ID_AMR_NB},
        {"x264_amr.3gp", {{"vcodec", "libx264"}}, AV_CODEC_ID_H264, AV_CODEC_ID_AMR_NB},
        {"mpeg4_amr.3g2", {{"vcodec", "mpeg4"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AMR_NB},
        {"h263_amr.3g2", {{"vcodec", "h263"}}, AV_CODEC_ID_H263, AV_CODEC_ID_AMR_NB},
        {"x264_amr.3g2", {{"vcodec", "libx264"}}, AV_CODEC_ID_H264, AV_CODEC_ID_AMR_NB},
        {"mpeg4_mp3.avi", {{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3},
        {"xvid_mp3.avi", {{"vcodec", "libxvid"}, {"acodec", "libmp3lame"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3},
        {"mpeg4_mp2.avi", {{"vcodec", "mpeg4"}, {"acodec", "mp2"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2},
        {"xvid_mp2.avi", {{"vcodec", "libxvid"}, {"acodec", "mp2"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP2},
        {"wmv2.wmv", {{"vcodec", "wmv2"}, {"acodec", "wmav2"}}, AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2},
        {"aac.m4a", {{"vn", ""}, {"acodec", "aac"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_AAC},
        {"lame.mp3", {{"vn", ""}, {"acodec", "libmp3lame"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_MP3},
        {"pcm.wav", {{"vn", ""}, {"acodec", "pcm_s16le"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE},
        {"wma.wma", {{"vn", ""}, {"acodec", "wmav2"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_WMAV2},
    };
    for (const auto& c : cases) {
        Options options = c.options;
        const std::string name = c.output;
        if (name.ends_with(".3gp") || name.ends_with(".3g2")) options.insert(options.begin(), phone.begin(), phone.end());
        auto e = Engine("av.avi", options, c.output);
        ASSERT_EQ(e->OutputFileCount, 1) << c.output;
        EXPECT_NO_THROW(e->TranscodeSetup()) << c.output << ": " << MessageOf([&] { e->TranscodeSetup(); });
        // Every output stream is encoded, its encoder open and its header out.
        std::vector<AVCodecID> ids;
        for (const auto& ost : e->OutputStreamTable) {
            EXPECT_TRUE(ost->EncodingNeeded) << c.output;
            EXPECT_TRUE(avcodec_is_open(ost->Codec)) << c.output;
            ids.push_back(ost->Stream->codecpar->codec_id);
        }
        std::vector<AVCodecID> expected;
        if (c.video != AV_CODEC_ID_NONE) expected.push_back(c.video);
        expected.push_back(c.audio);
        EXPECT_EQ(ids, expected) << c.output;
        EXPECT_EQ(e->OpenEncoders.size(), expected.size()) << c.output;
        EXPECT_EQ(e->OpenDecoders.size(), expected.size()) << c.output;
        EXPECT_GT(avio_tell(e->OutputFiles[0]->pb), 0) << c.output;
        EXPECT_NE(e->StartClock, 0) << c.output;
    }
}

TEST_F(TranscodeSetup, EncoderNamedIsTheEncoderOpened) {
    auto e = Engine("av.avi", {{"vcodec", "libxvid"}, {"acodec", "libmp3lame"}}, "named.avi");
    e->TranscodeSetup();
    EXPECT_STREQ(e->OutputStreamTable[0]->Codec->codec->name, "libxvid");
    EXPECT_STREQ(e->OutputStreamTable[1]->Codec->codec->name, "libmp3lame");
}

TEST_F(TranscodeSetup, StreamCopyTakesTheInputParameters) {
    auto e = Engine("av.avi", {{"vcodec", "copy"}, {"acodec", "copy"}}, "copy.avi");
    e->TranscodeSetup();
    const AVCodecParameters& video = *e->OutputStreamTable[0]->Stream->codecpar;
    EXPECT_EQ(video.codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(video.width, 352);
    EXPECT_EQ(e->OutputStreamTable[1]->Stream->codecpar->codec_id, AV_CODEC_ID_PCM_S16LE);
    EXPECT_FALSE(e->OutputStreamTable[0]->EncodingNeeded);
    EXPECT_TRUE(e->OpenEncoders.empty());
    EXPECT_TRUE(e->OpenDecoders.empty());
}

TEST_F(TranscodeSetup, OneAudioInputFeedsTwoAudioOutputs) {
    auto e = Engine("tone.wav", {}, "first.wav");
    ASSERT_TRUE(e->OpenOutputFile(dir->File("second.wav")));
    e->TranscodeSetup();
    ASSERT_EQ(e->OutputStreamTable.size(), 2u);
    EXPECT_EQ(e->OutputStreamTable[0]->SourceIndex, 0);
    EXPECT_EQ(e->OutputStreamTable[1]->SourceIndex, 0);
}

TEST_F(TranscodeSetup, BitBufferGrowsForLargePictures) {
    auto small = Engine("av.avi", {{"s", "176x144"}}, "small.avi");
    small->TranscodeSetup();
    EXPECT_EQ(small->BitBufferSize, 262144);
    auto large = Engine("av.avi", {{"s", "720x576"}}, "large.avi");
    large->TranscodeSetup();
    EXPECT_EQ(large->BitBufferSize, 4 * 720 * 576);
}

TEST_F(TranscodeSetup, MappingLogAndSyncLine) {
    auto e = Engine("av.avi", {{"map", "0:1:0:0"}, {"vn", ""}}, "mapped.wav");
    testing::LogRecorder log;
    log.Attach(*e);
    e->TranscodeSetup();
    EXPECT_THAT(log.Lines(), ::testing::ElementsAre(testing::LogLine{1, "Stream mapping:"},
                                                    testing::LogLine{1, "  Stream #0.1 -> #0.0"},
                                                    testing::LogLine{1, " [sync #0.0]"}));
}

TEST_F(TranscodeSetup, FailureTexts) {
    const std::string passlog = dir->File("nolog");
    const struct {
        std::string input;
        Options before, options;
        std::string output;
        std::string error;
    } cases[] = {
        {"av.avi", {}, {{"map", "0:0"}, {"map", "0:1"}, {"vn", ""}}, "maps.wav",
         "Number of stream maps must match number of output streams"},
        {"av.avi", {}, {{"map", "0:5"}, {"vn", ""}}, "map5.wav", "Could not find input stream #0.5"},
        {"av.avi", {}, {{"map", "0:1:3:0"}, {"vn", ""}}, "sync.wav", "Could not find sync stream #3.0"},
        {"av.avi", {}, {{"map", "0:0"}, {"vn", ""}}, "mismatch.wav", "Codec type mismatch for mapping #0.0 -> #0.0"},
        {"tone.wav", {}, {{"an", ""}}, "nothing.avi", "Output file does not contain any stream"},
        {"av.avi", {}, {{"acodec", "copy"}, {"vol", "512"}}, "vol.avi",
         "-acodec copy and -vol are incompatible (frames are not decoded)"},
        {"av.avi", {}, {{"pass", "2"}, {"passlogfile", passlog}}, "pass2.avi", "creat open fail: " + passlog + "-0.log"},
        {"av.avi", {}, {{"vcodec", "h263"}, {"s", "320x240"}}, "h263.3gp",
         "Error while opening codec for output stream #0.0 - maybe incorrect parameters such as bit_rate, rate, "
         "width or height"},
    };
    for (const auto& c : cases) {
        auto e = Engine(c.input, c.options, c.output, c.before);
        EXPECT_EQ(MessageOf<FFMpegException>([&] { e->TranscodeSetup(); }), c.error) << c.output;
        EXPECT_TRUE(e->OutputStreamTable.empty());  // tables released before the failure
        EXPECT_FALSE(e->BitBuffer);
    }
}

TEST_F(TranscodeSetup, VideoOutputWithoutVideoInput) {
    TCustomFFmpeg e;
    e.Prepare();
    // The output is created before the input, so its kinds are not checked against it.
    e.ApplyOption("vcodec", "mpeg4");
    ASSERT_TRUE(e.OpenOutputFile(dir->File("novideo.avi")));
    ASSERT_TRUE(e.OpenInputFile(dir->File("tone.wav")));
    EXPECT_EQ(MessageOf<FFMpegException>([&] { e.TranscodeSetup(); }),
              "Could not find input stream matching output stream #0.0");
}

TEST_F(TranscodeSetup, SecondPassReadsTheFirstPassLog) {
    const std::string prefix = dir->File("twopass");
    auto first = Engine("av.avi", {{"pass", "1"}, {"passlogfile", prefix}, {"an", ""}}, "pass1.avi");
    first->TranscodeSetup();
    ASSERT_TRUE(first->OutputStreamTable[0]->PassLogFile);
    std::fputs("stats", first->OutputStreamTable[0]->PassLogFile.get());
    first->ReleaseStreamTables();

    auto second = Engine("av.avi", {{"pass", "2"}, {"passlogfile", prefix}, {"an", ""}}, "pass2.avi");
    const std::string message = MessageOf([&] { second->TranscodeSetup(); });
    // The statistics text reached the encoder (which may refuse fake statistics).
    ASSERT_NE(second->OutputCodecs[0][0].Codec->stats_in, nullptr);
    EXPECT_STREQ(second->OutputCodecs[0][0].Codec->stats_in, "stats");
    (void)message;
}

}  // namespace
}  // namespace vidmorph
