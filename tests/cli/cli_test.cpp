// vidmorph-cli as a user runs it: the built program on fixtures.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "media_check.h"
#include "media_fixture.h"

extern char** environ;

namespace vidmorph {
namespace {

using namespace std::chrono_literals;
using fixtures::MediaSpec;
using fixtures::TempDir;
using nlohmann::json;
using ::testing::HasSubstr;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the program with its output in files; `whileRunning` gets its pid.
Outcome RunCli(const std::vector<std::string>& args, const TempDir& dir,
            const std::function<void(pid_t)>& whileRunning = {}) {
    std::vector<std::string> all{VIDMORPH_CLI};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    Outcome o;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return o;
    posix_spawn_file_actions_destroy(&actions);
    if (whileRunning) whileRunning(pid);
    int status = 0;
    waitpid(pid, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.out = ReadAll(out);
    o.err = ReadAll(err);
    return o;
}

class Cli : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir();
        fixtures::MakeMediaFile(dir->File("clip.avi"), MediaSpec{.videoCodec = "mpeg4", .width = 352, .height = 288,
                                                                 .audioCodec = "pcm_s16le", .seconds = 1.0});
        fixtures::MakeMediaFile(dir->File("song.wav"), MediaSpec{.audioCodec = "pcm_s16le", .seconds = 1.0});
        std::ofstream(dir->File("notes.txt")) << "not a media file\n";
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override {
        out = dir->Path() / ("out-" + std::to_string(counter++));
        std::filesystem::create_directories(out);
    }
    static std::string File(const std::string& name) { return dir->File(name); }
    int FilesIn(const std::filesystem::path& folder) {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }

    static TempDir* dir;
    static inline int counter = 0;
    std::filesystem::path out;
};
TempDir* Cli::dir = nullptr;

TEST_F(Cli, ListsTheFormats) {
    const Outcome text = RunCli({"--list-formats"}, *dir);
    EXPECT_EQ(text.status, 0);
    EXPECT_THAT(text.out, HasSubstr("psp"));
    EXPECT_THAT(text.out, HasSubstr("PSP Video (*.mp4)"));
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 23);

    const Outcome j = RunCli({"--list-formats", "--json"}, *dir);
    const json formats = json::parse(j.out)["formats"];
    ASSERT_EQ(formats.size(), 23u);
    std::set<std::string> names;
    for (const json& f : formats) names.insert(f["name"].get<std::string>());
    EXPECT_EQ(names.size(), 23u);
    EXPECT_EQ(formats[0]["display_name"], "iPod (*.mp4)");
    EXPECT_EQ(formats[0]["extension"], "MP4");
}

TEST_F(Cli, ShowsAFormatsLists) {
    const Outcome text = RunCli({"--show-format", "psp"}, *dir);
    EXPECT_EQ(text.status, 0);
    EXPECT_THAT(text.out, HasSubstr("--video-size: \"160 x 112\", \"320 x 240\", [368 x 208], \"480 x 272\""));

    const json j = json::parse(RunCli({"--show-format", "MP3 - Mpeg Layer3 Audio (*.mp3)", "--json"}, *dir).out);
    EXPECT_EQ(j["name"], "mp3");
    EXPECT_EQ(j["extension"], "MP3");
    EXPECT_TRUE(j["lists"]["video-codec"]["entries"].empty());
    EXPECT_FALSE(j["lists"]["audio-quality"]["selected"].is_null());
}

TEST_F(Cli, ProbesFiles) {
    const Outcome text = RunCli({"--probe", File("clip.avi"), File("notes.txt")}, *dir);
    EXPECT_EQ(text.status, 1);  // one file could not be read
    EXPECT_THAT(text.out, HasSubstr("Video Size: 352x288   Frame Rate: 25   Duration: 00:00:01"));
    EXPECT_THAT(text.out, HasSubstr("Error: " + File("notes.txt") + ": Error while parsing header"));

    const json j = json::parse(RunCli({"--probe", File("clip.avi"), File("song.wav"), "--json"}, *dir).out);
    ASSERT_EQ(j["files"].size(), 2u);
    const json& clip = j["files"][0];
    EXPECT_EQ(clip["video_size"], "352x288");
    EXPECT_EQ(clip["container"], "avi");
    EXPECT_NEAR(clip["duration_us"].get<double>(), 1e6, 1e5);
    EXPECT_EQ(clip["streams"][0]["codec"], "mpeg4");
    EXPECT_EQ(clip["streams"][0]["frame_rate"], "25/1");
    EXPECT_EQ(clip["streams"][1]["sample_rate"], 44100);
    EXPECT_EQ(j["files"][1]["video_size"], " ");
}

TEST_F(Cli, ConvertsWithChoices) {
    const Outcome psp = RunCli({"-f", "psp", "-o", out, "--video-codec", "xvid", "--video-size", "320x240",
                             "--audio-quality", "128", File("clip.avi")},
                            *dir);
    ASSERT_EQ(psp.status, 0) << psp.out << psp.err;
    EXPECT_THAT(psp.out, HasSubstr(File("clip.avi") + " -> " + (out / "clip.mp4").string() + ": Done"));
    EXPECT_THAT(psp.out, HasSubstr("1 done, 0 failed, 0 aborted"));
    EXPECT_EQ(psp.out.find('\x1b'), std::string::npos);  // no control characters off a terminal
    const fixtures::FileInfo video = fixtures::ProbeMediaFile((out / "clip.mp4").string());
    EXPECT_EQ(fixtures::FindStream(video, AVMEDIA_TYPE_VIDEO)->width, 320);
    EXPECT_EQ(fixtures::FindStream(video, AVMEDIA_TYPE_VIDEO)->codec, AV_CODEC_ID_MPEG4);

    const Outcome mp3 = RunCli({"-f", "mp3", "-o", out, "--audio-channels", "mono", "--sampling-rate", "22050",
                             "--volume", "60", "--option", "title=From the CLI", File("song.wav")},
                            *dir);
    ASSERT_EQ(mp3.status, 0) << mp3.out << mp3.err;
    const fixtures::FileInfo song = fixtures::ProbeMediaFile((out / "song.mp3").string());
    const fixtures::StreamInfo* audio = fixtures::FindStream(song, AVMEDIA_TYPE_AUDIO);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->channels, 1);
    EXPECT_EQ(audio->sampleRate, 22050);
}

TEST_F(Cli, UsageErrorsNameTheValidChoicesAndConvertNothing) {
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"-f", "nope", "-o", out, File("clip.avi")}, "unknown format \"nope\""},
        {{"-f", "2", "-o", out, File("clip.avi")}, "unknown format \"2\""},
        {{"-f", "psp", "-o", out, "--video-size", "999", File("clip.avi")},
         "--video-size \"999\" is not offered; choose one of \"160 x 112\""},
        {{"-f", "psp", "-o", (out / "missing").string(), File("clip.avi")}, "does not exist"},
        {{"-f", "psp", "-o", out, "--volume", "50", File("clip.avi")}, "--volume 50 is not offered"},
        {{"-f", "psp", "-o", out, "--aspect", "2:1", File("clip.avi")}, "--aspect \"2:1\" is not offered"},
        {{"-f", "psp", "-o", out, "--option", "novalue", File("clip.avi")}, "is not KEY=VALUE"},
        {{"-o", out, File("clip.avi")}, "no output format"},
    };
    for (const auto& c : cases) {
        const Outcome o = RunCli(c.args, *dir);
        EXPECT_EQ(o.status, 2) << c.message;
        EXPECT_THAT(o.err, HasSubstr(c.message));
    }
    EXPECT_EQ(FilesIn(out), 0);
}

TEST_F(Cli, AFailingInputAmongGoodOnes) {
    const Outcome o = RunCli({"-f", "ipod", "-o", out, File("clip.avi"), File("notes.txt"), File("song.wav")}, *dir);
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.out, HasSubstr(File("notes.txt") + ": Fail: " + File("notes.txt") + ": Error while parsing header"));
    EXPECT_THAT(o.out, HasSubstr("clip.mp4: Done"));
    EXPECT_THAT(o.out, HasSubstr("song.mp4: Done"));
    EXPECT_THAT(o.out, HasSubstr("2 done, 1 failed, 0 aborted"));
}

TEST_F(Cli, ExistingNamesAreKeptUnlessOverwriting) {
    ASSERT_EQ(RunCli({"-f", "wav", "-o", out, File("song.wav")}, *dir).status, 0);
    const Outcome second = RunCli({"-f", "wav", "-o", out, File("song.wav")}, *dir);
    EXPECT_THAT(second.out, HasSubstr((out / "song-1.wav").string() + ": Done"));
    const Outcome third = RunCli({"-f", "wav", "-o", out, "--overwrite", File("song.wav")}, *dir);
    EXPECT_THAT(third.out, HasSubstr((out / "song.wav").string() + ": Done"));
    EXPECT_EQ(FilesIn(out), 2);
}

TEST_F(Cli, SeveralFilesAtOnce) {
    const Outcome o = RunCli({"-f", "mp3", "-o", out, "-j", "2", File("clip.avi"), File("song.wav"), File("clip.avi")},
                          *dir);
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_THAT(o.out, HasSubstr("3 done, 0 failed, 0 aborted"));
    EXPECT_EQ(FilesIn(out), 3);  // clip.mp3, song.mp3, clip-1.mp3
}

TEST_F(Cli, InterruptAbortsTheBatch) {
    fixtures::MakeMediaFile(File("long.avi"), MediaSpec{.videoCodec = "mpeg4", .width = 640, .height = 480,
                                                        .audioCodec = "pcm_s16le", .seconds = 8.0});
    const Outcome o = RunCli({"-f", "ipod-extra", "-o", out, File("long.avi"), File("long.avi"), File("long.avi")}, *dir,
                          [&](pid_t pid) {
                              // Interrupt once the first output is being written.
                              const auto deadline = std::chrono::steady_clock::now() + 60s;
                              while (std::chrono::steady_clock::now() < deadline) {
                                  std::error_code ec;
                                  if (std::filesystem::file_size(out / "long.mp4", ec) > 20000 && !ec) break;
                                  std::this_thread::sleep_for(20ms);
                              }
                              kill(pid, SIGINT);
                          });
    EXPECT_EQ(o.status, 130) << o.out << o.err;
    EXPECT_THAT(o.out, HasSubstr((out / "long.mp4").string() + ": Abort"));
    EXPECT_THAT(o.out, HasSubstr("0 done, 0 failed, 3 aborted"));
    EXPECT_EQ(FilesIn(out), 1);  // nothing further started
}

TEST_F(Cli, Version) {
    const Outcome o = RunCli({"--version"}, *dir);
    EXPECT_EQ(o.status, 0);
    EXPECT_THAT(o.out, ::testing::StartsWith("vidmorph-cli "));
}

}  // namespace
}  // namespace vidmorph
