// vidmorph-bench: converts a synthetic 720p clip through the engine and through
// a minimal reference loop, and reports wall time, frames per second and peak
// memory of each conversion, each run in a child process of its own.
//
//   vidmorph-bench [--work DIR] [--runs N] [--seconds S] [--scenario S1|S2]...
//       defaults: --work $TMPDIR/vidmorph-bench (the source clip is cached there),
//       --runs 5 (best and median reported), --seconds 20
//   vidmorph-bench --run engine|reference S1|S2 SOURCE DESTINATION
//       one conversion in this process (what the children run; handy under perf)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "engine.h"
#include "library_binding.h"
#include "media_check.h"
#include "media_fixture.h"
#include "reference_transcode.h"
#include "scenario.h"

namespace fs = std::filesystem;
using namespace vidmorph;
using vidmorph::bench::Scenario;

namespace {

constexpr int kSourceWidth = 1280, kSourceHeight = 720, kSourceFps = 25, kSourceRate = 48000;
constexpr double kRatioTarget = 1.05;
constexpr double kEngineMemoryTargetMb = 200.0;
constexpr int kConversionFailed = 2;

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// ---------------------------------------------------------------------------
// Child modes: each prints one "RESULT ..." line on stdout.

int MakeSource(const std::string& path, double seconds) {
    fixtures::MediaSpec spec;
    spec.container = "matroska";
    spec.videoCodec = "mpeg4";
    spec.width = kSourceWidth;
    spec.height = kSourceHeight;
    spec.frameRate = {kSourceFps, 1};
    spec.audioCodec = "aac";
    spec.sampleRate = kSourceRate;
    spec.channels = 2;
    spec.seconds = seconds;
    av_log_set_level(AV_LOG_ERROR);
    const std::string partial = path + ".partial.mkv";
    const auto start = std::chrono::steady_clock::now();
    fixtures::MakeMediaFile(partial, spec);
    fs::rename(partial, path);
    std::printf("RESULT seconds=%.6f frames=0\n", Seconds(std::chrono::steady_clock::now() - start));
    return 0;
}

int RunEngine(const Scenario& s, const std::string& source, const std::string& destination) {
    if (!BindCodecLibraries("", true)) {
        std::fprintf(stderr, "engine: binding the codec libraries failed: %s\n", BindError().c_str());
        return kConversionFailed;
    }
    const auto start = std::chrono::steady_clock::now();
    {
        auto e = std::make_unique<TCustomFFmpeg>();
        e->Prepare();
        if (!e->OpenInputFile(source)) {
            std::fprintf(stderr, "engine: opening %s failed: %s\n", source.c_str(), e->LastOpenError.c_str());
            return kConversionFailed;
        }
        e->ApplyOption("vcodec", s.videoEncoder);
        if (s.videoBitRate > 0) e->ApplyOption("b", std::to_string(s.videoBitRate));
        e->ApplyOption("s", std::to_string(s.width) + "x" + std::to_string(s.height));
        e->ApplyOption("acodec", s.audioEncoder);
        e->ApplyOption("ab", std::to_string(s.audioBitRate));
        if (!e->OpenOutputFile(destination)) {
            std::fprintf(stderr, "engine: creating %s failed: %s\n", destination.c_str(), e->LastOpenError.c_str());
            return kConversionFailed;
        }
        e->Start(false, tpNormal);
        if (!e->Finished || e->Failed) {
            std::fprintf(stderr, "engine: conversion failed (finished=%d): %s\n", e->Finished ? 1 : 0,
                         e->FailureMessage.c_str());
            return kConversionFailed;
        }
    }
    std::printf("RESULT seconds=%.6f frames=0\n", Seconds(std::chrono::steady_clock::now() - start));
    return 0;
}

int RunReference(const Scenario& s, const std::string& source, const std::string& destination) {
    const auto start = std::chrono::steady_clock::now();
    const bench::ReferenceResult r = bench::ReferenceTranscode(source, destination, s);
    std::printf("RESULT seconds=%.6f frames=%lld\n", Seconds(std::chrono::steady_clock::now() - start),
                static_cast<long long>(r.videoFrames));
    return 0;
}

int RunOne(const std::string& kind, const std::string& scenario, const std::string& source,
           const std::string& destination) {
    const Scenario* s = bench::FindScenario(scenario);
    if (!s) {
        std::fprintf(stderr, "unknown scenario %s\n", scenario.c_str());
        return kConversionFailed;
    }
    av_log_set_level(AV_LOG_ERROR);
    try {
        if (kind == "engine") return RunEngine(*s, source, destination);
        if (kind == "reference") return RunReference(*s, source, destination);
        std::fprintf(stderr, "unknown kind %s (engine or reference)\n", kind.c_str());
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "%s %s: %s\n", kind.c_str(), scenario.c_str(), ex.what());
    }
    return kConversionFailed;
}

// ---------------------------------------------------------------------------
// The driver.

struct ChildResult {
    bool ok = false;
    double seconds = 0;     // as the child measured its own work
    long long frames = 0;   // as the child reported (0 = unknown)
    double peakMb = 0;      // the child's ru_maxrss
};

// Runs this program again with `args` in a child process and reads its result.
ChildResult RunChild(const std::vector<std::string>& args) {
    ChildResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::perror("pipe");
        return result;
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        close(pipeFds[0]);
        close(pipeFds[1]);
        return result;
    }
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<std::string> all{"vidmorph-bench"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        std::perror("execv");
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    const std::size_t at = output.find("RESULT ");
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && at != std::string::npos &&
        std::sscanf(output.c_str() + at, "RESULT seconds=%lf frames=%lld", &result.seconds, &result.frames) == 2)
        result.ok = true;
    else if (WIFSIGNALED(status))
        std::fprintf(stderr, "child killed by signal %d\n", WTERMSIG(status));
    return result;
}

struct Measure {
    std::vector<double> times;
    double peakMb = 0;  // the largest of the runs
    bool failed = false;
    long long frames = 0;  // probed from the output
    bool checked = false;  // the output passed the sanity check

    double Best() const { return times.empty() ? 0 : *std::min_element(times.begin(), times.end()); }
    double Median() const {
        if (times.empty()) return 0;
        std::vector<double> t = times;
        std::sort(t.begin(), t.end());
        return t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
    }
    double Fps() const { return Best() > 0 ? static_cast<double>(frames) / Best() : 0; }
};

// Checks a conversion's output; prints what is wrong. Sets m.frames.
bool CheckOutput(const std::string& path, const Scenario& s, long long expectedFrames, double seconds, Measure& m) {
    try {
        const fixtures::FileInfo info = fixtures::ProbeMediaFile(path);
        const fixtures::StreamInfo* v = fixtures::FindStream(info, AVMEDIA_TYPE_VIDEO);
        const fixtures::StreamInfo* a = fixtures::FindStream(info, AVMEDIA_TYPE_AUDIO);
        std::vector<std::string> problems;
        if (!v) {
            problems.push_back("no video stream");
        } else {
            m.frames = v->frames;
            if (std::llabs(v->frames - expectedFrames) > 1)
                problems.push_back(std::to_string(v->frames) + " video frames, expected " +
                                   std::to_string(expectedFrames) + " +- 1");
            if (v->width != s.width || v->height != s.height)
                problems.push_back("picture " + std::to_string(v->width) + "x" + std::to_string(v->height));
        }
        const double expectedSamples = seconds * kSourceRate;
        if (!a) {
            problems.push_back("no audio stream");
        } else {
            if (!a->audible) problems.push_back("silent audio");
            if (a->sampleRate != kSourceRate || a->channels != 2)
                problems.push_back("audio " + std::to_string(a->sampleRate) + " Hz " + std::to_string(a->channels) +
                                   " ch");
            if (std::fabs(static_cast<double>(a->samples) - expectedSamples) > 4096)
                problems.push_back(std::to_string(a->samples) + " audio samples, expected about " +
                                   std::to_string(static_cast<long long>(expectedSamples)));
        }
        for (const std::string& p : problems) std::fprintf(stderr, "check %s: %s\n", path.c_str(), p.c_str());
        return problems.empty();
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "check %s: %s\n", path.c_str(), ex.what());
        return false;
    }
}

void Usage() {
    std::fprintf(stderr,
                 "usage: vidmorph-bench [--work DIR] [--runs N] [--seconds S] [--scenario S1|S2]...\n"
                 "       vidmorph-bench --run engine|reference S1|S2 SOURCE DESTINATION\n");
}

int Driver(int argc, char** argv) {
    fs::path work = fs::temp_directory_path() / "vidmorph-bench";
    int runs = 5;
    double seconds = 20.0;
    std::vector<const Scenario*> scenarios;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--work" && hasValue) {
            work = argv[++i];
        } else if (arg == "--runs" && hasValue) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--seconds" && hasValue) {
            seconds = std::atof(argv[++i]);
            if (!(seconds > 0)) {
                Usage();
                return 64;
            }
        } else if (arg == "--scenario" && hasValue) {
            const Scenario* s = bench::FindScenario(argv[++i]);
            if (!s) {
                Usage();
                return 64;
            }
            scenarios.push_back(s);
        } else {
            Usage();
            return 64;
        }
    }
    if (scenarios.empty())
        for (const Scenario& s : bench::Scenarios()) scenarios.push_back(&s);
    fs::create_directories(work);
    const long long expectedFrames = std::llround(seconds * kSourceFps);

    // The source clip, made once and kept in the work folder.
    char sourceName[128];
    std::snprintf(sourceName, sizeof sourceName, "source-%dx%d-%dfps-mpeg4-aac%d-%gs.mkv", kSourceWidth,
                  kSourceHeight, kSourceFps, kSourceRate, seconds);
    const std::string source = (work / sourceName).string();
    if (!fs::exists(source)) {
        std::printf("making the source clip %s ...\n", source.c_str());
        const ChildResult made = RunChild({"--make-source", source, std::to_string(seconds)});
        if (!made.ok) {
            std::fprintf(stderr, "making the source clip failed\n");
            return 1;
        }
        std::printf("  made in %.1f s\n", made.seconds);
    } else {
        std::printf("source clip (cached): %s\n", source.c_str());
    }

    const ChildResult baseline = RunChild({"--baseline"});
    std::printf("process baseline (libraries bound, no conversion): %.1f MB peak\n", baseline.peakMb);
    std::printf("%d run(s) each, children measured one at a time on %ld core(s)\n\n", runs,
                sysconf(_SC_NPROCESSORS_ONLN));

    struct Row {
        const Scenario* s;
        Measure engine, reference;
        std::string engineOut, referenceOut;
    };
    std::vector<Row> rows;
    for (const Scenario* s : scenarios)
        rows.push_back({s, {}, {}, (work / (s->name + "-engine.mp4")).string(),
                        (work / (s->name + "-reference.mp4")).string()});

    bool failed = false;
    for (int run = 1; run <= runs; ++run) {
        for (Row& row : rows) {
            for (int k = 0; k < 2; ++k) {
                // Alternate which goes first, so neither always runs on a warmer machine.
                const bool engine = (k == 0) == (run % 2 == 1);
                Measure& m = engine ? row.engine : row.reference;
                if (m.failed) continue;
                const std::string kind = engine ? "engine" : "reference";
                const std::string& out = engine ? row.engineOut : row.referenceOut;
                const ChildResult r = RunChild({"--run", kind, row.s->name, source, out});
                if (!r.ok) {
                    std::fprintf(stderr, "%s %s failed (run %d)\n", row.s->name.c_str(), kind.c_str(), run);
                    m.failed = failed = true;
                    continue;
                }
                m.times.push_back(r.seconds);
                m.peakMb = std::max(m.peakMb, r.peakMb);
                std::printf("  run %d  %s %-9s %7.2f s  %6.1f MB\n", run, row.s->name.c_str(), kind.c_str(),
                            r.seconds, r.peakMb);
                std::fflush(stdout);
            }
        }
    }

    // Sanity checks on the last outputs (in this process, after all measuring).
    for (Row& row : rows) {
        for (Measure* m : {&row.engine, &row.reference}) {
            if (m->failed) continue;
            m->checked = CheckOutput(m == &row.engine ? row.engineOut : row.referenceOut, *row.s, expectedFrames,
                                     seconds, *m);
            if (!m->checked) failed = true;
        }
    }

    std::printf("\nSource: %dx%d %d fps mpeg4 + aac %d Hz stereo, %g s (%lld frames); best of %d run(s)\n",
                kSourceWidth, kSourceHeight, kSourceFps, kSourceRate, seconds, expectedFrames, runs);
    std::printf("%-4s | %-8s %-8s %7s %8s | %-8s %-8s %7s %8s | %7s %8s\n", "", "engine", "(median)", "fps", "peak MB",
                "ref", "(median)", "fps", "peak MB", "eng/ref", "(median)");
    std::printf("-----+-------------------------------------+-------------------------------------+-----------------\n");
    for (const Row& row : rows) {
        const Measure& e = row.engine;
        const Measure& r = row.reference;
        char ratio[32] = "-", medianRatio[32] = "-";
        if (!e.failed && !r.failed && r.Best() > 0) {
            std::snprintf(ratio, sizeof ratio, "%.3f", e.Best() / r.Best());
            std::snprintf(medianRatio, sizeof medianRatio, "%.3f", e.Median() / r.Median());
        }
        std::printf("%-4s | %7.2fs %7.2fs %7.1f %8.1f | %7.2fs %7.2fs %7.1f %8.1f | %7s %8s\n", row.s->name.c_str(),
                    e.Best(), e.Median(), e.Fps(), e.peakMb, r.Best(), r.Median(), r.Fps(), r.peakMb, ratio,
                    medianRatio);
    }
    for (const Row& row : rows) std::printf("  %s: %s\n", row.s->name.c_str(), row.s->description.c_str());

    std::printf("fps = output video frames / best wall time; peak MB = largest ru_maxrss of the runs\n");
    std::printf("\nTargets: wall-time ratio engine/reference <= %.2f (best times), engine peak memory < %.0f MB\n",
                kRatioTarget, kEngineMemoryTargetMb);
    for (const Row& row : rows) {
        const Measure& e = row.engine;
        const Measure& r = row.reference;
        if (e.failed || r.failed) {
            std::printf("  %s: not measured (conversion failed)\n", row.s->name.c_str());
            continue;
        }
        const double ratio = e.Best() / r.Best();
        std::printf("  %s: ratio %.3f %s; engine peak %.1f MB %s\n", row.s->name.c_str(), ratio,
                    ratio <= kRatioTarget ? "MET" : "MISSED", e.peakMb,
                    e.peakMb < kEngineMemoryTargetMb ? "MET" : "MISSED");
    }
    for (const Row& row : rows)
        for (const Measure* m : {&row.engine, &row.reference})
            if (!m->failed && !m->checked)
                std::printf("  %s %s: output failed the sanity check (see above)\n", row.s->name.c_str(),
                            m == &row.engine ? "engine" : "reference");
    std::printf("Outputs kept in %s\n", work.string().c_str());
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "--run") {
            if (argc != 6) {
                Usage();
                return 64;
            }
            return RunOne(argv[2], argv[3], argv[4], argv[5]);
        }
        if (mode == "--make-source" && argc == 4) return MakeSource(argv[2], std::atof(argv[3]));
        if (mode == "--baseline") {
            const bool bound = BindCodecLibraries("", true);
            std::printf("RESULT seconds=0 frames=0\n");
            return bound ? 0 : 1;
        }
        return Driver(argc, argv);
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "vidmorph-bench: %s\n", ex.what());
        return 1;
    }
}
