// Files convert end to end: what comes out is checked by reading it back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

#include "engine_test_support.h"
#include "log_levels.h"
#include "media_check.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using namespace std::chrono_literals;
using fixtures::FileInfo;
using fixtures::FindStream;
using fixtures::MediaSpec;
using fixtures::ProbeMediaFile;
using fixtures::TempDir;
using testing::LogLine;

using Options = std::vector<std::pair<std::string, std::string>>;

// The first stream of a kind in a file read back (an empty record when none).
fixtures::StreamInfo StreamOf(const std::string& file, AVMediaType kind) {
    const FileInfo info = ProbeMediaFile(file);
    const fixtures::StreamInfo* s = FindStream(info, kind);
    return s ? *s : fixtures::StreamInfo{};
}

class Conversion : public testing::ClipSuite<10> {
protected:
    // Converts `input` to `output` synchronously; the engine stays for inspection.
    std::unique_ptr<TCustomFFmpeg> Convert(const std::string& input, const Options& options,
                                           const std::string& output) {
        auto e = std::make_unique<TCustomFFmpeg>();
        e->Prepare();
        log.Attach(*e);
        EXPECT_TRUE(e->OpenInputFile(input)) << e->LastOpenError;
        for (const auto& [k, v] : options) e->ApplyOption(k, v);
        EXPECT_TRUE(e->OpenOutputFile(output)) << e->LastOpenError;
        e->Start(false, tpNormal);
        return e;
    }
    static std::string File(const std::string& name) { return dir->File(name); }

    testing::LogRecorder log;
};

TEST_F(Conversion, EveryCatalogueContainerAndEncoderPairPlays) {
    const Options phone{{"s", "176x144"}, {"r", "15"}, {"ar", "8000"}, {"ac", "1"}, {"acodec", "libamr_nb"}};
    const struct {
        const char* output;
        Options options;
        AVCodecID video, audio;
        int width, height, rate, channels;
        double fps;
    } cases[] = {
        {"x264_aac.mp4", {{"vcodec", "libx264"}, {"acodec", "aac"}, {"s", "320x240"}}, AV_CODEC_ID_H264,
         AV_CODEC_ID_AAC, 320, 240, 44100, 2, 25},
        {"ipod.mp4", {{"f", "ipod"}, {"vcodec", "mpeg4"}, {"acodec", "libfaac"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC,
         352, 288, 44100, 2, 25},
        {"psp.mp4", {{"f", "psp"}, {"vcodec", "mpeg4"}, {"acodec", "aac"}, {"s", "320x240"}, {"ar", "48000"}},
         AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC, 320, 240, 48000, 2, 25},
        {"mpeg4_aac.mov", {{"vcodec", "mpeg4"}, {"acodec", "aac"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AAC, 352, 288,
         44100, 2, 25},
        {"h263_amr.3gp", {{"vcodec", "h263"}}, AV_CODEC_ID_H263, AV_CODEC_ID_AMR_NB, 176, 144, 8000, 1, 15},
        {"mpeg4_amr.3g2", {{"vcodec", "mpeg4"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_AMR_NB, 176, 144, 8000, 1, 15},
        {"xvid_mp3.avi", {{"vcodec", "libxvid"}, {"acodec", "libmp3lame"}}, AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3, 352,
         288, 44100, 2, 25},
        {"mpeg4_mp2.avi", {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"ar", "22050"}, {"ac", "1"}}, AV_CODEC_ID_MPEG4,
         AV_CODEC_ID_MP2, 352, 288, 22050, 1, 25},
        {"wmv2.wmv", {{"vcodec", "wmv2"}, {"acodec", "wmav2"}}, AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2, 352, 288, 44100,
         2, 25},
        {"aac.m4a", {{"vn", ""}, {"acodec", "aac"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_AAC, 0, 0, 44100, 2, 0},
        {"lame.mp3", {{"vn", ""}, {"acodec", "libmp3lame"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_MP3, 0, 0, 44100, 2, 0},
        {"pcm.wav", {{"vn", ""}, {"acodec", "pcm_s16le"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE, 0, 0, 44100, 2, 0},
        {"wma.wma", {{"vn", ""}, {"acodec", "wmav2"}}, AV_CODEC_ID_NONE, AV_CODEC_ID_WMAV2, 0, 0, 44100, 2, 0},
    };
    for (const auto& c : cases) {
        const std::string name = c.output;
        Options options = c.options;
        if (name.ends_with(".3gp") || name.ends_with(".3g2")) options.insert(options.begin(), phone.begin(), phone.end());
        const auto e = Convert(File("av.avi"), options, File(name));
        ASSERT_TRUE(e->Finished) << name << ": " << e->FailureMessage;
        ASSERT_FALSE(e->Failed) << name << ": " << e->FailureMessage;

        const FileInfo info = ProbeMediaFile(File(name));
        const auto* video = FindStream(info, AVMEDIA_TYPE_VIDEO);
        const auto* audio = FindStream(info, AVMEDIA_TYPE_AUDIO);
        if (c.video == AV_CODEC_ID_NONE) {
            EXPECT_EQ(video, nullptr) << name;
        } else {
            ASSERT_NE(video, nullptr) << name;
            EXPECT_EQ(video->codec, c.video) << name;
            EXPECT_EQ(video->width, c.width) << name;
            EXPECT_EQ(video->height, c.height) << name;
            EXPECT_NEAR(video->frames, c.fps, 1) << name;  // one second of pictures
            EXPECT_EQ(video->repeatedFrames, 0) << name;   // the moving picture moves
            EXPECT_NEAR(video->frames / c.fps, 1.0, 1.0 / c.fps) << name;
        }
        ASSERT_NE(audio, nullptr) << name;
        EXPECT_EQ(audio->codec, c.audio) << name;
        EXPECT_EQ(audio->sampleRate, c.rate) << name;
        EXPECT_EQ(audio->channels, c.channels) << name;
        const double audioSeconds = double(audio->samples) / c.rate;
        EXPECT_NEAR(audioSeconds, 1.0, 0.05) << name;
        if (video) {
            EXPECT_NEAR(audioSeconds, video->frames / c.fps, 0.1) << name;
        }
        EXPECT_TRUE(audio->audible) << name;
    }
}

TEST_F(Conversion, ProgressAndSummary) {
    struct Progress {
        int frame, fps, duration;
        float quality, bitrate;
        int64_t size;
        int total;
    };
    std::vector<Progress> reports;
    auto e = std::make_unique<TCustomFFmpeg>();
    e->Prepare();
    log.Attach(*e);
    e->ReportInterval = 0;  // every packet
    e->ProgressHandler = [&](TCustomFFmpeg&, int frame, int fps, int duration, float quality, float bitrate,
                             int64_t size, int total) {
        reports.push_back({frame, fps, duration, quality, bitrate, size, total});
    };
    ASSERT_TRUE(e->OpenInputFile(File("av.avi")));
    e->ApplyOption("vcodec", "mpeg4");
    e->ApplyOption("acodec", "mp2");
    ASSERT_TRUE(e->OpenOutputFile(File("progress.avi")));
    e->Start(false, tpNormal);
    ASSERT_TRUE(e->Finished);
    ASSERT_GE(reports.size(), 2u);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GE(reports[i].frame, reports[i - 1].frame);
        EXPECT_GE(reports[i].duration, reports[i - 1].duration);
        EXPECT_GE(reports[i].frame, 1);  // nothing is reported before the first picture
        EXPECT_GT(reports[i].quality, 0.0f);
        EXPECT_EQ(reports[i].total, 1000);
    }
    EXPECT_EQ(reports.back().frame, 25);
    EXPECT_NEAR(reports.back().duration, 1000, 80);
    EXPECT_EQ(reports.back().size, TCustomFFmpeg::FileSizeOf(File("progress.avi")));
    const auto lines = log.Lines();
    EXPECT_THAT(lines, ::testing::Contains(::testing::Field(
                           &LogLine::text, ::testing::MatchesRegex("video:[0-9]+kB audio:[0-9]+kB global headers:0kB "
                                                                   "muxing overhead [0-9]+\\.[0-9][0-9]%\r\n"))));
}

TEST_F(Conversion, AudioOnlyProgressHasNoPictureFigures) {
    auto e = std::make_unique<TCustomFFmpeg>();
    e->Prepare();
    e->ReportInterval = 0;
    std::vector<std::tuple<int, int, float>> reports;
    e->ProgressHandler = [&](TCustomFFmpeg&, int frame, int fps, int, float quality, float, int64_t, int) {
        reports.emplace_back(frame, fps, quality);
    };
    ASSERT_TRUE(e->OpenInputFile(File("tone.wav")));
    ASSERT_TRUE(e->OpenOutputFile(File("tone.mp3")));
    e->Start(false, tpNormal);
    ASSERT_FALSE(reports.empty());
    for (const auto& r : reports) EXPECT_EQ(r, std::make_tuple(-1, -1, -1.0f));
}

TEST_F(Conversion, WithoutProgressHandlerTheLineIsLogged) {
    const auto e = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"v", "2"}}, File("logged.avi"));
    SetProcessLogLevel(1);
    EXPECT_THAT(log.Lines(),
                ::testing::Contains(::testing::Field(
                    &LogLine::text, ::testing::MatchesRegex("frame= +25 fps= +[0-9]+ q=[0-9.]+ Lsize= +[0-9]+kB "
                                                            "time=[0-9.]+ bitrate= *[0-9.]+kbits/s dup=0 drop=0"))));
}

TEST_F(Conversion, LimitsEndTheRun) {
    const struct {
        Options options;
        int frames;        // -1: not checked
        double maxSeconds;
    } cases[] = {
        {{{"vframes", "10"}}, 10, 0.6},
        {{{"t", "0.4"}}, -1, 0.6},
    };
    int n = 0;
    for (const auto& c : cases) {
        Options options = c.options;
        options.push_back({"vcodec", "mpeg4"});
        options.push_back({"acodec", "mp2"});
        const std::string out = File("limit" + std::to_string(n++) + ".avi");
        const auto e = Convert(File("av.avi"), options, out);
        ASSERT_TRUE(e->Finished) << e->FailureMessage;
        const FileInfo info = ProbeMediaFile(out);
        if (c.frames >= 0) {
            EXPECT_EQ(FindStream(info, AVMEDIA_TYPE_VIDEO)->frames, c.frames);
        }
        EXPECT_LT(FindStream(info, AVMEDIA_TYPE_VIDEO)->frames, 16);
        // Audio stops with the pictures.
        EXPECT_LT(FindStream(info, AVMEDIA_TYPE_AUDIO)->samples / 44100.0, c.maxSeconds);
    }

    // A size limit stops once the first output has grown past it.
    const auto sized = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"fs", "20000"}}, File("sized.avi"));
    ASSERT_TRUE(sized->Finished);
    EXPECT_GT(TCustomFFmpeg::FileSizeOf(File("sized.avi")), 20000);
    EXPECT_LT(StreamOf(File("sized.avi"), AVMEDIA_TYPE_VIDEO).frames, 25);
}

TEST_F(Conversion, VideoSyncDuplicatesAndDrops) {
    const auto up = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"r", "50"}}, File("up.avi"));
    EXPECT_NEAR(StreamOf(File("up.avi"), AVMEDIA_TYPE_VIDEO).frames, 50, 2);
    EXPECT_GE(up->DupCount, 40);  // every picture written twice counts 2
    EXPECT_EQ(up->DropCount, 0);

    const auto down = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"r", "10"}}, File("down.avi"));
    EXPECT_NEAR(StreamOf(File("down.avi"), AVMEDIA_TYPE_VIDEO).frames, 10, 1);
    EXPECT_NEAR(down->DropCount, 15, 1);

    // Method 2 follows the input's timestamps; repeats are dropped, never sent twice.
    const auto vfr =
        Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"r", "10"}, {"vsync", "2"}}, File("vfr.avi"));
    EXPECT_TRUE(vfr->Finished) << vfr->FailureMessage;
    EXPECT_NEAR(StreamOf(File("vfr.avi"), AVMEDIA_TYPE_VIDEO).frames, 10, 1);

    // Method 0 never adds or drops.
    const auto none =
        Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"r", "50"}, {"vsync", "0"}}, File("none.avi"));
    EXPECT_EQ(StreamOf(File("none.avi"), AVMEDIA_TYPE_VIDEO).frames, 25);
    EXPECT_EQ(none->DupCount, 0);
}

TEST_F(Conversion, CropAndPadPaintTheBands) {
    // 352x288: 8 rows cropped at top and bottom, 60 rows of black added at top and bottom.
    const auto e = Convert(File("av.avi"),
                           {{"vcodec", "mpeg4"}, {"an", ""}, {"qscale", "2"}, {"croptop", "8"}, {"cropbottom", "8"},
                            {"padtop", "60"}, {"padbottom", "60"}},
                           File("padded.avi"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const fixtures::StreamInfo video = StreamOf(File("padded.avi"), AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(video.width, 352);
    EXPECT_EQ(video.height, 392);
    EXPECT_NEAR(fixtures::MeanOfRows(File("padded.avi"), 0, 56), 16, 3);     // the top band
    EXPECT_NEAR(fixtures::MeanOfRows(File("padded.avi"), 336, 392), 16, 3);  // the bottom band
    EXPECT_GT(fixtures::MeanOfRows(File("padded.avi"), 64, 328), 40);       // the picture

    // Scaled into the bands.
    const auto scaled = Convert(File("av.avi"),
                                {{"vcodec", "mpeg4"}, {"an", ""}, {"s", "320x240"}, {"padtop", "16"}, {"padbottom", "16"}},
                                File("scaledpad.avi"));
    ASSERT_TRUE(scaled->Finished) << scaled->FailureMessage;
    EXPECT_EQ(StreamOf(File("scaledpad.avi"), AVMEDIA_TYPE_VIDEO).height, 272);
    EXPECT_NEAR(fixtures::MeanOfRows(File("scaledpad.avi"), 0, 14), 16, 3);
}

TEST_F(Conversion, VolumeScalesAndSaturates) {
    const auto e = Convert(File("tone.wav"), {{"vol", "512"}}, File("loud.wav"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const auto in = fixtures::PcmSamples(File("tone.wav"));
    const auto out = fixtures::PcmSamples(File("loud.wav"));
    ASSERT_EQ(in.size(), out.size());
    bool saturated = false;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const int expected = std::clamp((in[i] * 512 + 128) >> 8, -32768, 32767);
        ASSERT_EQ(out[i], expected) << i;
        saturated = saturated || expected == 32767 || expected == -32768;
    }
    EXPECT_TRUE(saturated) << "the tone should be loud enough to clip when doubled";
}

TEST_F(Conversion, ResamplingAndChannelConversion) {
    fixtures::MakeMediaFile(File("six.wav"), MediaSpec{.audioCodec = "pcm_s16le", .sampleRate = 48000, .channels = 6});
    const auto e = Convert(File("six.wav"), {{"ar", "22050"}, {"ac", "2"}, {"acodec", "libmp3lame"}}, File("down.mp3"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const fixtures::StreamInfo audio = StreamOf(File("down.mp3"), AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(audio.sampleRate, 22050);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_NEAR(audio.samples / 22050.0, 1.0, 0.1);
    EXPECT_TRUE(audio.audible);
}

TEST_F(Conversion, SurroundDecoderMixesDownForAStereoOutput) {
    fixtures::MakeMediaFile(File("six.ac3.mkv"), MediaSpec{.audioCodec = "ac3", .sampleRate = 48000, .channels = 6});
    const auto e = Convert(File("six.ac3.mkv"), {{"ac", "2"}, {"acodec", "libmp3lame"}}, File("mixed.mp3"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const fixtures::StreamInfo audio = StreamOf(File("mixed.mp3"), AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_NEAR(audio.samples / 48000.0, 1.0, 0.1);
    EXPECT_TRUE(audio.audible);
}

TEST_F(Conversion, StreamCopyKeepsThePackets) {
    const auto e = Convert(File("av.avi"), {{"vcodec", "copy"}, {"acodec", "copy"}}, File("copy.mkv"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const FileInfo in = ProbeMediaFile(File("av.avi")), out = ProbeMediaFile(File("copy.mkv"));
    EXPECT_EQ(FindStream(out, AVMEDIA_TYPE_VIDEO)->codec, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(FindStream(out, AVMEDIA_TYPE_VIDEO)->frames, FindStream(in, AVMEDIA_TYPE_VIDEO)->frames);
    EXPECT_EQ(FindStream(out, AVMEDIA_TYPE_AUDIO)->samples, FindStream(in, AVMEDIA_TYPE_AUDIO)->samples);
    EXPECT_GT(e->VideoBytes, 0);
    EXPECT_GT(e->AudioBytes, 0);
}

TEST_F(Conversion, SubtitlesAreReencoded) {
    fixtures::MakeMediaFile(File("subs.mp4"), MediaSpec{.videoCodec = "mpeg4", .subtitle = true});
    const auto e = Convert(File("subs.mp4"), {{"vcodec", "mpeg4"}, {"scodec", "subrip"}}, File("subs.mkv"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const fixtures::StreamInfo subs = StreamOf(File("subs.mkv"), AVMEDIA_TYPE_SUBTITLE);
    ASSERT_NE(subs.type, AVMEDIA_TYPE_UNKNOWN);
    EXPECT_EQ(subs.codec, AV_CODEC_ID_SUBRIP);
    EXPECT_EQ(subs.cues.size(), 2u);
}

TEST_F(Conversion, SubtitlesFollowTheFormatsOwnKindWhenNoneIsNamed) {
    fixtures::MakeMediaFile(File("subs2.mp4"), MediaSpec{.videoCodec = "mpeg4", .subtitle = true});
    const auto e = Convert(File("subs2.mp4"), {{"vcodec", "mpeg4"}}, File("subs2.mkv"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const fixtures::StreamInfo subs = StreamOf(File("subs2.mkv"), AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(subs.cues.size(), 2u);
}

TEST_F(Conversion, WriteErrorsAreFailuresNotSuccesses) {
    const auto e = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"f", "avi"}}, "/dev/full");
    EXPECT_TRUE(e->Failed);
    EXPECT_FALSE(e->Finished);
    EXPECT_THAT(e->FailureMessage, ::testing::StartsWith("/dev/full: "));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));  // a device is never removed
}

TEST_F(Conversion, AnEngineWithoutItsDefaultsOpensNothing) {
    TCustomFFmpeg e;  // never prepared
    EXPECT_FALSE(e.OpenInputFile(File("av.avi")));
    EXPECT_EQ(e.LastOpenError, "The codec libraries are not loaded");
    EXPECT_FALSE(e.OpenOutputFile(File("never.avi")));
}

TEST_F(Conversion, TwoPassEncoding) {
    const std::string prefix = File("passlog");
    const auto first = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"pass", "1"}, {"passlogfile", prefix}},
                               File("pass1.avi"));
    ASSERT_TRUE(first->Finished) << first->FailureMessage;
    EXPECT_GT(TCustomFFmpeg::FileSizeOf(prefix + "-0.log"), 0);
    const auto second =
        Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"pass", "2"}, {"passlogfile", prefix}, {"b", "400000"}},
                File("pass2.avi"));
    ASSERT_TRUE(second->Finished) << second->FailureMessage;
    EXPECT_EQ(StreamOf(File("pass2.avi"), AVMEDIA_TYPE_VIDEO).frames, 25);
}

TEST_F(Conversion, VideoStatisticsFile) {
    const std::string stats = File("vstats.log");
    const auto e =
        Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"psnr", ""}, {"vstats_file", stats}}, File("vs.avi"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    e->ReleaseAll();
    std::ifstream in(stats);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_THAT(lines[0], ::testing::MatchesRegex("frame= +1 q= +[0-9.]+ PSNR= +([0-9.]+|inf) f_size= +[0-9]+ s_size= +[0-9]+kB "
                                                  "time= [0-9.]+ br= +[0-9.]+kbits/s avg_br= +[0-9.]+kbits/s type= I"));

    const auto bad = Convert(File("av.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"vstats_file", "/nonexistent/v.log"}},
                             File("vsbad.avi"));
    EXPECT_TRUE(bad->Failed);
    EXPECT_EQ(bad->FailureMessage, "fopen fail: /nonexistent/v.log");
}

TEST_F(Conversion, StopDuringARunStillWritesAPlayableFile) {
    fixtures::MakeMediaFile(File("long.avi"), MediaSpec{.videoCodec = "mpeg4", .width = 640, .height = 480,
                                                        .audioCodec = "pcm_s16le", .seconds = 8.0});
    TCustomFFmpeg e;
    e.Prepare();
    std::atomic<int> reports{0};
    e.ReportInterval = 0;
    e.ProgressHandler = [&](TCustomFFmpeg&, int, int, int, float, float, int64_t, int) { ++reports; };
    ASSERT_TRUE(e.OpenInputFile(File("long.avi")));
    e.ApplyOption("vcodec", "libx264");
    e.ApplyOption("acodec", "aac");
    ASSERT_TRUE(e.OpenOutputFile(File("stopped.mp4")));
    std::atomic<bool> done{false};
    e.TerminateHandler = [&](TCustomFFmpeg&) { done = true; };
    e.Start(true, tpNormal)->Resume();
    while (reports < 5) std::this_thread::sleep_for(1ms);
    e.Stop();
    while (!done) std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(e.Finished);
    EXPECT_FALSE(e.Failed) << e.FailureMessage;
    const fixtures::StreamInfo video = StreamOf(File("stopped.mp4"), AVMEDIA_TYPE_VIDEO);
    ASSERT_NE(video.type, AVMEDIA_TYPE_UNKNOWN);
    EXPECT_GT(video.frames, 0);
    EXPECT_LT(video.frames, 200);
}

TEST_F(Conversion, OutputNeverWrittenIsRemoved) {
    TCustomFFmpeg e;
    e.Prepare();
    ASSERT_TRUE(e.OpenInputFile(File("av.avi")));
    e.ApplyOption("vcodec", "h263");  // the encoder refuses 320x240
    e.ApplyOption("s", "320x240");
    ASSERT_TRUE(e.OpenOutputFile(File("never.3gp")));
    e.Start(false, tpNormal);
    EXPECT_TRUE(e.Failed);
    EXPECT_FALSE(std::filesystem::exists(File("never.3gp")));
}

}  // namespace
}  // namespace vidmorph

namespace vidmorph {
namespace {

// Copies the video packets of `from` into a Matroska file, timing packet i at
// `seconds(i)`: sources whose timestamps jump or crowd.
void Retime(const std::string& from, const std::string& to, const std::function<double(int)>& seconds) {
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_open_input(&raw, from.c_str(), nullptr, nullptr), 0);
    InputFormatPtr in(raw);
    ASSERT_GE(avformat_find_stream_info(in.get(), nullptr), 0);
    const int video = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    raw = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "matroska", to.c_str()), 0);
    OutputFormatPtr out(raw);
    AVStream* st = avformat_new_stream(out.get(), nullptr);
    ASSERT_GE(avcodec_parameters_copy(st->codecpar, in->streams[video]->codecpar), 0);
    st->codecpar->codec_tag = 0;
    st->time_base = {1, 1000};
    ASSERT_GE(avio_open(&out->pb, to.c_str(), AVIO_FLAG_WRITE), 0);
    ASSERT_GE(avformat_write_header(out.get(), nullptr), 0);
    const PacketPtr pkt(av_packet_alloc());
    for (int i = 0; av_read_frame(in.get(), pkt.get()) >= 0;) {
        if (pkt->stream_index == video) {
            pkt->stream_index = 0;
            pkt->pts = pkt->dts = std::llrint(seconds(i++) * 1000);
            pkt->duration = 0;
            pkt->pos = -1;
            ASSERT_GE(av_interleaved_write_frame(out.get(), pkt.get()), 0);
        }
        av_packet_unref(pkt.get());
    }
    ASSERT_GE(av_write_trailer(out.get()), 0);
}

TEST_F(Conversion, SyncFollowsJumpingAndCrowdedTimestamps) {
    // A jump of 0.4 s (10 frame periods) after the tenth picture.
    Retime(File("av.avi"), File("jump.mkv"), [](int i) { return i / 25.0 + (i >= 10 ? 0.4 : 0.0); });
    const auto jump = Convert(File("jump.mkv"), {{"vcodec", "mpeg4"}, {"r", "25"}, {"v", "3"}}, File("jump.avi"));
    SetProcessLogLevel(1);
    ASSERT_TRUE(jump->Finished) << jump->FailureMessage;
    EXPECT_EQ(jump->DupCount, 10);
    EXPECT_EQ(jump->DropCount, 0);
    EXPECT_THAT(log.Lines(), ::testing::Contains(LogLine{1, "*** 9 dup!"}));
    EXPECT_EQ(StreamOf(File("jump.avi"), AVMEDIA_TYPE_VIDEO).frames, 34);

    // Pictures 10 to 19 arrive at twice the rate: every other one goes.
    log.Clear();
    Retime(File("av.avi"), File("crowd.mkv"), [](int i) {
        return i < 10 ? i / 25.0 : i < 20 ? 0.4 + (i - 10) / 50.0 : 0.6 + (i - 20) / 25.0;
    });
    const auto crowd = Convert(File("crowd.mkv"), {{"vcodec", "mpeg4"}, {"r", "25"}, {"v", "3"}}, File("crowd.avi"));
    SetProcessLogLevel(1);
    ASSERT_TRUE(crowd->Finished) << crowd->FailureMessage;
    EXPECT_EQ(crowd->DropCount, 4);
    EXPECT_EQ(crowd->DupCount, 0);
    EXPECT_THAT(log.Lines(), ::testing::Contains(LogLine{1, "*** drop!"}));
}

TEST_F(Conversion, SourceWhoseFirstStreamIsASubtitle) {
    fixtures::MakeMediaFile(File("cues.mp4"), MediaSpec{.videoCodec = "mpeg4", .subtitle = true});
    // Made with the engine itself: the subtitle stream first, the video added after it.
    TCustomFFmpeg maker;
    maker.Prepare();
    ASSERT_TRUE(maker.OpenInputFile(File("cues.mp4")));
    maker.ApplyOption("vn", "");
    maker.ApplyOption("scodec", "subrip");
    ASSERT_TRUE(maker.OpenOutputFile(File("first.mkv"))) << maker.LastOpenError;
    maker.ApplyOption("vcodec", "mpeg4");
    maker.ApplyOption("newvideo", "");
    maker.Start(false, tpNormal);
    ASSERT_TRUE(maker.Finished) << maker.FailureMessage;
    const FileInfo first = ProbeMediaFile(File("first.mkv"));
    ASSERT_EQ(first.streams.size(), 2u);
    ASSERT_EQ(first.streams[0].type, AVMEDIA_TYPE_SUBTITLE);

    const auto e = Convert(File("first.mkv"), {{"vcodec", "mpeg4"}, {"scodec", "mov_text"}}, File("cues.mov"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const FileInfo out = ProbeMediaFile(File("cues.mov"));
    EXPECT_EQ(FindStream(out, AVMEDIA_TYPE_VIDEO)->frames, 25);
    EXPECT_EQ(FindStream(out, AVMEDIA_TYPE_SUBTITLE)->cues.size(), 2u);
}

TEST_F(Conversion, ProgressComesAtTheReportInterval) {
    int events = 0;
    auto e = std::make_unique<TCustomFFmpeg>();
    e->Prepare();
    log.Attach(*e);
    e->ReportInterval = int64_t(1) << 40;  // never during the run: only the final report
    e->ProgressHandler = [&](TCustomFFmpeg&, int frame, int, int, float, float, int64_t, int) {
        ++events;
        EXPECT_EQ(frame, 25);
    };
    ASSERT_TRUE(e->OpenInputFile(File("av.avi")));
    e->ApplyOption("vcodec", "mpeg4");
    ASSERT_TRUE(e->OpenOutputFile(File("interval.avi")));
    e->Start(false, tpNormal);
    EXPECT_EQ(events, 1);
    int summaries = 0;
    for (const auto& line : log.Lines()) summaries += line.text.starts_with("video:");
    EXPECT_EQ(summaries, 1);
}

TEST_F(Conversion, SampleRateConversion48To44) {
    fixtures::MakeMediaFile(File("48k.wav"), MediaSpec{.audioCodec = "pcm_s16le", .sampleRate = 48000});
    const auto e = Convert(File("48k.wav"), {{"ar", "44100"}, {"acodec", "aac"}}, File("44k.m4a"));
    ASSERT_TRUE(e->Finished) << e->FailureMessage;
    const fixtures::StreamInfo audio = StreamOf(File("44k.m4a"), AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(audio.sampleRate, 44100);
    EXPECT_NEAR(audio.samples / 44100.0, 1.0, 0.05);
}

TEST_F(Conversion, DamagedSourcesFailCleanlyOrConvertWhatIsThere) {
    fixtures::MakeMediaFile(File("whole.mp4"), MediaSpec{.videoCodec = "mpeg4", .audioCodec = "aac"});
    const auto readAll = [](const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string avi = readAll(File("av.avi")), mp4 = readAll(File("whole.mp4"));
    std::string scrambled = avi;
    for (std::size_t i = avi.size() / 3; i < avi.size() / 3 + 20000 && i < avi.size(); ++i)
        scrambled[i] = static_cast<char>((i * 7919) & 0xFF);
    const std::pair<std::string, std::string> damaged[] = {
        {"cut.avi", avi.substr(0, avi.size() * 6 / 10)},
        {"scrambled.avi", scrambled},
        {"cut.mp4", mp4.substr(0, mp4.size() / 2)},
        {"headonly.avi", avi.substr(0, 4096)},
        {"empty.avi", ""},
    };
    for (const auto& [name, bytes] : damaged) {
        std::ofstream(File(name), std::ios::binary) << bytes;
        TCustomFFmpeg e;
        e.Prepare();
        const std::string out = File("from_" + name + ".mp4");
        if (!e.OpenInputFile(File(name))) {
            EXPECT_FALSE(e.LastOpenError.empty()) << name;
            continue;
        }
        e.ApplyOption("vcodec", "mpeg4");
        e.ApplyOption("acodec", "aac");
        if (!e.OpenOutputFile(out)) continue;
        e.Start(false, tpNormal);
        EXPECT_TRUE(e.Finished || e.Failed) << name;
        if (e.Finished && std::filesystem::exists(out)) {
            EXPECT_NO_THROW(ProbeMediaFile(out)) << name;  // what came out plays
        }
    }
}

// A raw Motion-JPEG stream whose pictures change size part-way through.
void WriteMjpegSizes(const std::string& path, const std::vector<std::pair<int, int>>& sizes, int framesEach) {
    std::ofstream out(path, std::ios::binary);
    for (const auto& [w, h] : sizes) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
        CodecContextPtr ctx(avcodec_alloc_context3(codec));
        ctx->width = w;
        ctx->height = h;
        ctx->pix_fmt = AV_PIX_FMT_YUVJ420P;
        ctx->time_base = {1, 25};
        ASSERT_GE(avcodec_open2(ctx.get(), codec, nullptr), 0);
        FramePtr frame(av_frame_alloc());
        frame->format = ctx->pix_fmt;
        frame->width = w;
        frame->height = h;
        ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
        const PacketPtr pkt(av_packet_alloc());
        for (int i = 0; i <= framesEach; ++i) {
            if (i < framesEach) {
                ASSERT_GE(av_frame_make_writable(frame.get()), 0);
                for (int p = 0; p < 3; ++p)
                    for (int y = 0; y < (p ? h / 2 : h); ++y)
                        std::memset(frame->data[p] + y * frame->linesize[p], p ? 128 : (y + i * 7) & 255,
                                    static_cast<std::size_t>(p ? w / 2 : w));
                frame->pts = i;
            }
            avcodec_send_frame(ctx.get(), i < framesEach ? frame.get() : nullptr);
            while (avcodec_receive_packet(ctx.get(), pkt.get()) == 0) {
                out.write(reinterpret_cast<const char*>(pkt->data), pkt->size);
                av_packet_unref(pkt.get());
            }
        }
    }
}

TEST_F(Conversion, PicturesThatChangeSizeMidStream) {
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> sizes;
        Options options;
        int width, height;
    } cases[] = {
        {"shrink", {{320, 240}, {160, 120}}, {{"vcodec", "mpeg4"}}, 320, 240},
        {"grow", {{160, 120}, {640, 480}}, {{"vcodec", "mpeg4"}}, 160, 120},
        {"scaled", {{320, 240}, {64, 64}}, {{"vcodec", "mpeg4"}, {"s", "640x480"}}, 640, 480},
        {"direct", {{320, 240}, {160, 120}}, {{"vcodec", "mjpeg"}, {"pix_fmt", "yuvj420p"}}, 320, 240},
        {"padded", {{320, 240}, {160, 120}}, {{"vcodec", "mjpeg"}, {"pix_fmt", "yuvj420p"}, {"padtop", "16"}}, 320, 256},
    };
    for (const auto& c : cases) {
        const std::string input = File(std::string(c.name) + ".mjpeg");
        WriteMjpegSizes(input, c.sizes, 10);
        auto e = std::make_unique<TCustomFFmpeg>();
        e->Prepare();
        e->ApplyOption("f", "mjpeg");
        ASSERT_TRUE(e->OpenInputFile(input)) << e->LastOpenError;
        for (const auto& [k, v] : c.options) e->ApplyOption(k, v);
        const std::string output = File(std::string(c.name) + "-resized.avi");
        ASSERT_TRUE(e->OpenOutputFile(output)) << e->LastOpenError;
        e->Start(false, tpNormal);
        ASSERT_TRUE(e->Finished) << c.name << ": " << e->FailureMessage;
        const fixtures::StreamInfo video = StreamOf(output, AVMEDIA_TYPE_VIDEO);
        EXPECT_EQ(video.width, c.width) << c.name;
        EXPECT_EQ(video.height, c.height) << c.name;
        EXPECT_EQ(video.frames, 20) << c.name;
    }
}

}  // namespace
}  // namespace vidmorph
