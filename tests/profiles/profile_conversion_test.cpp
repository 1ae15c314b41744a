// Every output format converts a file with video and audio into what its
// profile promises, read back from the written file.
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "engine.h"
#include "job_options.h"
#include "media_check.h"
#include "media_fixture.h"
#include "profile_test_support.h"
#include "vexcoder.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace vidmorph {
namespace {

using fixtures::FindStream;
using fixtures::MediaSpec;
using fixtures::TempDir;
using testing::WindowLists;

// Runs one task with its two records, as the component's AddInput, AddOutput
// and a synchronous start do. Empty when the file converted, else the reason.
std::string Convert(const std::string& input, const TOutputOptions& output) {
    // As the application does: one task through the component, one file at a time.
    TVexcoder vexcoder;
    std::mutex m;
    std::condition_variable allDone;
    bool done = false, finished = false, failed = false;
    std::string message;
    vexcoder.OnTerminate = [&](int index, bool taskFinished, bool exception, const std::string& text) {
        std::lock_guard lock(m);
        if (index >= 0) {
            finished = taskFinished;
            failed = exception;
            message = text;
        } else {
            done = true;
            allDone.notify_all();
        }
    };
    TInputOptions in;
    InitInputOptions(in);
    TOutputOptions out = output;
    const int task = vexcoder.AddInput(input, &in);
    if (task < 0) return "input: " + vexcoder.LastError();
    if (!vexcoder.AddOutput(task, out.FileName, &out)) return "output: " + vexcoder.LastError();
    vexcoder.StartTasks(1);
    std::unique_lock lock(m);
    if (!allDone.wait_for(lock, std::chrono::minutes(2), [&] { return done; })) return "no termination";
    if (!finished || failed) return "run: " + message;
    return {};
}

// The container of a written file: the major brand of an ISO media file,
// else the demuxer's name; and the first video stream's average frame rate.
struct Container {
    std::string name;
    double fps = 0;
};

Container ContainerOf(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return {};
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> ctx(raw, [](AVFormatContext* c) {
        avformat_close_input(&c);
    });
    avformat_find_stream_info(ctx.get(), nullptr);
    Container c{ctx->iformat->name};
    if (const AVDictionaryEntry* brand = av_dict_get(ctx->metadata, "major_brand", nullptr, 0)) c.name = brand->value;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            c.fps = av_q2d(ctx->streams[i]->avg_frame_rate);
            break;
        }
    return c;
}

// What a converted file holds; video NONE for audio-only files.
struct Expected {
    const char* container;
    AVCodecID video;
    int width, height;
    double fps;
    AVCodecID audio;
    int sampleRate, channels;
};

constexpr double kNtsc = 30000.0 / 1001;
constexpr auto NONE = AV_CODEC_ID_NONE;
constexpr auto MPEG4 = AV_CODEC_ID_MPEG4;
constexpr auto H264 = AV_CODEC_ID_H264;
constexpr auto AAC = AV_CODEC_ID_AAC;
constexpr auto AMR = AV_CODEC_ID_AMR_NB;
constexpr auto MP3 = AV_CODEC_ID_MP3;
constexpr auto WMV2 = AV_CODEC_ID_WMV2;
constexpr auto WMA2 = AV_CODEC_ID_WMAV2;

using ListOf = TVectorSettingList WindowLists::*;
struct Choice {
    ListOf list;
    const char* text;
};

struct Case {
    const char* format;
    std::vector<Choice> choices;  // the user's picks after the format's defaults
    Expected want;
    bool wideSource = false;      // 1280 x 720 instead of 352 x 288
};

class ProfileConversion : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sources = new TempDir();
        dir = new TempDir();
        const MediaSpec source{.videoCodec = "mpeg4", .audioCodec = "pcm_s16le", .sampleRate = 44100, .channels = 2};
        MediaSpec cif = source, wide = source;
        cif.width = 352, cif.height = 288;
        wide.width = 1280, wide.height = 720;
        fixtures::MakeMediaFile(sources->File("cif.avi"), cif);
        fixtures::MakeMediaFile(sources->File("wide.avi"), wide);
    }
    static void TearDownTestSuite() {
        delete dir;
        delete sources;
    }

    // Picks the format and the choices, fills the records through job
    // submission's shared part, converts, and checks the file.
    static void Check(const Case& c) {
        SCOPED_TRACE(c.format);
        WindowLists w;
        ASSERT_TRUE(w.Choose(c.format));
        for (const Choice& choice : c.choices) WindowLists::Pick(w.*choice.list, choice.text);
        const int width = c.wideSource ? 1280 : 352, height = c.wideSource ? 720 : 288;
        TOutputOptions out;
        const TJobRequest job{.InputFile = sources->File(c.wideSource ? "wide.avi" : "cif.avi"),
                              .OutputFolder = dir->Path().string(),
                              .Overwrite = true,
                              .SourceWidth = width,
                              .SourceHeight = height};
        FillJobOutputOptions(w.lists, job, out);
        ASSERT_EQ(Convert(job.InputFile, out), "") << out.FileName;

        const Expected& want = c.want;
        const Container container = ContainerOf(out.FileName);
        EXPECT_EQ(container.name, want.container);
        const fixtures::FileInfo info = fixtures::ProbeMediaFile(out.FileName);
        const fixtures::StreamInfo* video = FindStream(info, AVMEDIA_TYPE_VIDEO);
        const fixtures::StreamInfo* audio = FindStream(info, AVMEDIA_TYPE_AUDIO);
        if (want.video == NONE) {
            EXPECT_EQ(video, nullptr);
        } else {
            ASSERT_NE(video, nullptr);
            EXPECT_EQ(video->codec, want.video);
            EXPECT_EQ(video->width, want.width);
            EXPECT_EQ(video->height, want.height);
            EXPECT_NEAR(container.fps, want.fps, 0.01);
            EXPECT_NEAR(video->frames, want.fps, 1.5);  // one second of pictures
            // The picture keeps the source's shape on the display (baseline
            // H.263 always has the 12:11 pixels of its picture formats).
            if (video->codec != AV_CODEC_ID_H263) {
                EXPECT_NEAR(want.width * av_q2d(video->sampleAspect) / want.height, double(width) / height, 0.01);
            }
        }
        ASSERT_NE(audio, nullptr);
        EXPECT_EQ(audio->codec, want.audio);
        EXPECT_EQ(audio->sampleRate, want.sampleRate);
        EXPECT_EQ(audio->channels, want.channels);
        EXPECT_TRUE(audio->audible);
    }

    static TempDir* sources;
    static TempDir* dir;  // the output folder
};
TempDir* ProfileConversion::sources = nullptr;
TempDir* ProfileConversion::dir = nullptr;

TEST_F(ProfileConversion, EveryFormatWithItsDefaults) {
    const Case cases[] = {
        {"iPod (*.mp4)", {}, {"isom", MPEG4, 320, 240, 25, AAC, 44100, 2}},
        {"iPod Extra (640 x 480) (*.mp4)", {}, {"isom", MPEG4, 640, 480, 25, AAC, 44100, 2}},
        {"iPod Video For TV (*.mp4)", {}, {"isom", MPEG4, 640, 480, 25, AAC, 44100, 2}},
        {"iPod Touch (*.mp4)", {}, {"isom", MPEG4, 480, 320, 25, AAC, 44100, 2}},
        {"iPod Touch Extra (640 x 480) (*.mp4)", {}, {"isom", MPEG4, 640, 480, 25, AAC, 44100, 2}},
        {"iPhone (*.mp4)", {}, {"isom", MPEG4, 480, 320, 25, AAC, 44100, 2}},
        {"iPhone Extra (640 x 480) (*.mp4)", {}, {"isom", MPEG4, 640, 480, 25, AAC, 44100, 2}},
        {"Apple TV (*.mp4)", {}, {"isom", MPEG4, 640, 480, 25, AAC, 44100, 2}},
        {"PSP Video (*.mp4)", {}, {"isom", MPEG4, 368, 208, kNtsc, AAC, 24000, 2}},
        {"PS3 Video (*.mp4)", {}, {"isom", H264, 720, 480, kNtsc, AAC, 44100, 2}},
        {"Zune Mpeg4 Video (*.mp4)", {}, {"isom", MPEG4, 320, 240, kNtsc, AAC, 44100, 2}},
        {"Zune WMV Windows Media Video (*.wmv)", {}, {"asf", WMV2, 320, 240, 25, WMA2, 48000, 2}},
        {"Archos AV500/GMini402 (*.avi)", {}, {"avi", MPEG4, 480, 272, 25, MP3, 48000, 2}},
        {"Archos AV700 (*.avi)", {}, {"avi", MPEG4, 720, 480, 25, MP3, 48000, 2}},
        {"Creative Zen Vision (*.avi)", {}, {"avi", MPEG4, 640, 480, 25, MP3, 48000, 2}},
        {"iRiver PMP100 (*.avi)", {}, {"avi", MPEG4, 640, 480, 25, MP3, 48000, 2}},
        {"3GP - Mobile Video Format (*.3gp)", {}, {"3gp4", MPEG4, 176, 144, 25, AMR, 8000, 1}},
        {"3G2 - Mobile Video Format (*.3g2)", {}, {"3g2a", MPEG4, 176, 144, 25, AMR, 8000, 1}},
        {"MOV - QuickTime Video (*.mov)", {}, {"qt  ", MPEG4, 352, 288, 25, AAC, 44100, 2}},
        {"M4A - Mpeg4 Audio File (*.m4a)", {}, {"M4A ", NONE, 0, 0, 0, AAC, 48000, 2}},
        {"MP3 - Mpeg Layer3 Audio (*.mp3)", {}, {"mp3", NONE, 0, 0, 0, MP3, 48000, 2}},
        {"WAV - Waveform Audio (*.wav)", {}, {"wav", NONE, 0, 0, 0, AV_CODEC_ID_PCM_S16LE, 44100, 2}},
        {"WMA - Windows Media Audio (*.wma)", {}, {"asf", NONE, 0, 0, 0, WMA2, 48000, 2}},
    };
    ASSERT_EQ(std::size(cases), TheAVCodecs.size());
    for (const Case& c : cases) Check(c);
}

TEST_F(ProfileConversion, ChoicesWithinEachFamily) {
    const auto vcodec = &WindowLists::videoCodec;
    const auto acodec = &WindowLists::audioCodec;
    const auto size = &WindowLists::videoSize;
    const auto rate = &WindowLists::videoFramerate;
    const auto channels = &WindowLists::audioChannels;
    const auto sampling = &WindowLists::samplingRate;
    const Case cases[] = {
        {"iPod (*.mp4)", {{vcodec, "H264"}}, {"isom", H264, 320, 240, 25, AAC, 44100, 2}},
        {"iPod Touch Extra (640 x 480) (*.mp4)", {{vcodec, "H264"}, {rate, "15.0 fps"}},
         {"isom", H264, 640, 480, 15, AAC, 44100, 2}},
        {"iPhone (*.mp4)", {{vcodec, "H264"}, {channels, "Mono"}}, {"isom", H264, 480, 320, 25, AAC, 44100, 1}},
        {"3GP - Mobile Video Format (*.3gp)", {{vcodec, "H263"}, {rate, "14.985 fps"}},
         {"3gp4", AV_CODEC_ID_H263, 176, 144, 15000.0 / 1001, AMR, 8000, 1}},
        {"3G2 - Mobile Video Format (*.3g2)", {{vcodec, "H263"}, {acodec, "mpeg4aac"}, {size, "352 x 288 (CIF)"}},
         {"3g2a", AV_CODEC_ID_H263, 352, 288, 25, AMR, 8000, 1}},
        {"PSP Video (*.mp4)", {{vcodec, "XVID"}, {size, "480 x 272"}, {rate, "14.985 fps"}},
         {"isom", MPEG4, 480, 272, 15000.0 / 1001, AAC, 24000, 2}},
        {"Zune WMV Windows Media Video (*.wmv)", {{size, "640 x 480"}, {rate, "30.0 fps"}, {channels, "Mono"}},
         {"asf", WMV2, 640, 480, 30, WMA2, 48000, 1}},
        {"Archos AV500/GMini402 (*.avi)", {{acodec, "mp2"}, {size, "Auto"}, {sampling, "32000 Hz"}},
         {"avi", MPEG4, 352, 288, 25, AV_CODEC_ID_MP2, 32000, 2}},
        {"Creative Zen Vision (*.avi)", {{size, "Auto"}}, {"avi", MPEG4, 720, 406, 25, MP3, 48000, 2}, true},
        {"MOV - QuickTime Video (*.mov)", {{size, "320 x 240 (VGA)"}, {rate, "23.975 fps"}},
         {"qt  ", MPEG4, 320, 240, 24000.0 / 1001, AAC, 44100, 2}},
        {"MP3 - Mpeg Layer3 Audio (*.mp3)", {{channels, "Mono"}, {sampling, "22050 Hz"}},
         {"mp3", NONE, 0, 0, 0, MP3, 22050, 1}},
        {"WAV - Waveform Audio (*.wav)", {{sampling, "8000  Hz"}},
         {"wav", NONE, 0, 0, 0, AV_CODEC_ID_PCM_S16LE, 8000, 2}},
    };
    for (const Case& c : cases) Check(c);
}

}  // namespace
}  // namespace vidmorph
