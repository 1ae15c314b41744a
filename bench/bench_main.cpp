// vidmorph-bench: converts a synthetic 720p clip through the engine and through
// a minimal reference loop, and reports wall time, frames per second, peak
// memory and cores used of each conversion, each run in a child process of its
// own. Scenarios that ask for it also get the engine with one codec thread per
// core (as the conversion component runs it), as an extra figure.
//
//   vidmorph-bench [--work DIR] [--runs N] [--seconds S] [--scenario S1|S2]...
//       defaults: --work $TMPDIR/vidmorph-bench (the source clip is cached there),
//       --runs 5 (best and median reported), --seconds 20
//   vidmorph-bench --run engine|engine-threads|reference S1|S2 SOURCE DESTINATION
//       one conversion in this process (what the children run; handy under perf);
//       engine-threads = the engine with ThreadCount = one thread per core
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
#include <thread>
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

// The child kinds: the single-threaded engine, the engine with one codec thread
// per core, and the reference loop.
constexpr const char* kEngine = "engine";
constexpr const char* kEngineThreads = "engine-threads";
constexpr const char* kReference = "reference";

// What the conversion component gives each task's engine: one codec thread per core.
int CodecThreadsPerCore() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

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

// threadPerCore: ThreadCount = one per core instead of the engine's default of 1.
int RunEngine(const Scenario& s, const std::string& source, const std::string& destination, bool threadPerCore) {
    if (!BindCodecLibraries("", true)) {
        std::fprintf(stderr, "engine: binding the codec libraries failed: %s\n", BindError().c_str());
        return kConversionFailed;
    }
    const auto start = std::chrono::steady_clock::now();
    {
        auto e = std::make_unique<TCustomFFmpeg>();
        e->Prepare();
        if (threadPerCore) e->ThreadCount = CodecThreadsPerCore();
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
        if (kind == kEngine) return RunEngine(*s, source, destination, false);
        if (kind == kEngineThreads) return RunEngine(*s, source, destination, true);
        if (kind == kReference) return RunReference(*s, source, destination);
        std::fprintf(stderr, "unknown kind %s (%s, %s or %s)\n", kind.c_str(), kEngine, kEngineThreads, kReference);
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
    double cpuSeconds = 0;  // the child's ru_utime + ru_stime
    double processSeconds = 0;  // wall time of the whole child process, fork to wait4
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs this program again with `args` in a child process and reads its result.
ChildResult RunChild(const std::vector<std::string>& args) {
    ChildResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        std::perror("pipe");
        return result;
    }
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
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
    result.processSeconds = Seconds(std::chrono::steady_clock::now() - start);
    result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    result.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
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
    double cpuSeconds = 0, processSeconds = 0;  // summed over the runs
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
    // CPU time over wall time of the child processes: how many cores they kept busy.
    double CoresUsed() const { return processSeconds > 0 ? cpuSeconds / processSeconds : 0; }
    void Add(const ChildResult& r) {
        times.push_back(r.seconds);
        peakMb = std::max(peakMb, r.peakMb);
        cpuSeconds += r.cpuSeconds;
        processSeconds += r.processSeconds;
    }
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
                 "       vidmorph-bench --run engine|engine-threads|reference S1|S2 SOURCE DESTINATION\n");
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

    // One conversion a run measures: the kind of child, its output and its figures.
    struct Arm {
        std::string kind;
        std::string out;
        Measure m;
    };
    struct Row {
        const Scenario* s;
        Arm engine, reference;
        std::optional<Arm> threads;  // engine with one codec thread per core, when the scenario asks

        std::vector<Arm*> Arms() {
            std::vector<Arm*> all{&engine, &reference};
            if (threads) all.push_back(&*threads);
            return all;
        }
    };
    std::vector<Row> rows;
    for (const Scenario* s : scenarios) {
        const auto arm = [&](const char* kind) {
            return Arm{kind, (work / (s->name + "-" + kind + ".mp4")).string(), {}};
        };
        Row row{s, arm(kEngine), arm(kReference), std::nullopt};
        if (s->codecThreadsRun) row.threads = arm(kEngineThreads);
        rows.push_back(std::move(row));
    }

    bool failed = false;
    for (int run = 1; run <= runs; ++run) {
        for (Row& row : rows) {
            const std::vector<Arm*> arms = row.Arms();
            for (std::size_t k = 0; k < arms.size(); ++k) {
                // Rotate which goes first, so none always runs on a warmer machine.
                Arm& arm = *arms[(k + static_cast<std::size_t>(run - 1)) % arms.size()];
                if (arm.m.failed) continue;
                const ChildResult r = RunChild({"--run", arm.kind, row.s->name, source, arm.out});
                if (!r.ok) {
                    std::fprintf(stderr, "%s %s failed (run %d)\n", row.s->name.c_str(), arm.kind.c_str(), run);
                    arm.m.failed = failed = true;
                    continue;
                }
                arm.m.Add(r);
                std::printf("  run %d  %s %-14s %7.2f s  %6.1f MB  %7.2f s CPU  %4.2f cores\n", run,
                            row.s->name.c_str(), arm.kind.c_str(), r.seconds, r.peakMb, r.cpuSeconds,
                            r.processSeconds > 0 ? r.cpuSeconds / r.processSeconds : 0.0);
                std::fflush(stdout);
            }
        }
    }

    // Sanity checks on the last outputs (in this process, after all measuring).
    for (Row& row : rows) {
        for (Arm* arm : row.Arms()) {
            if (arm->m.failed) continue;
            arm->m.checked = CheckOutput(arm->out, *row.s, expectedFrames, seconds, arm->m);
            if (!arm->m.checked) failed = true;
        }
    }

    // "a/b" of best and of median times, or "-" when either side is missing.
    const auto ratios = [](const Measure& a, const Measure& b, char (&best)[32], char (&median)[32]) {
        std::snprintf(best, sizeof best, "-");
        std::snprintf(median, sizeof median, "-");
        if (a.failed || b.failed || b.Best() <= 0) return;
        std::snprintf(best, sizeof best, "%.3f", a.Best() / b.Best());
        std::snprintf(median, sizeof median, "%.3f", a.Median() / b.Median());
    };

    std::printf("\nSource: %dx%d %d fps mpeg4 + aac %d Hz stereo, %g s (%lld frames); best of %d run(s)\n",
                kSourceWidth, kSourceHeight, kSourceFps, kSourceRate, seconds, expectedFrames, runs);
    std::printf("engine and ref: codec threads = 1\n");
    std::printf("%-4s | %-8s %-8s %7s %8s %5s | %-8s %-8s %7s %8s %5s | %7s %8s\n", "", "engine", "(median)", "fps",
                "peak MB", "cores", "ref", "(median)", "fps", "peak MB", "cores", "eng/ref", "(median)");
    std::printf("-----+-------------------------------------------+-------------------------------------------+"
                "-----------------\n");
    for (Row& row : rows) {
        const Measure& e = row.engine.m;
        const Measure& r = row.reference.m;
        char ratio[32], medianRatio[32];
        ratios(e, r, ratio, medianRatio);
        std::printf("%-4s | %7.2fs %7.2fs %7.1f %8.1f %5.2f | %7.2fs %7.2fs %7.1f %8.1f %5.2f | %7s %8s\n",
                    row.s->name.c_str(), e.Best(), e.Median(), e.Fps(), e.peakMb, e.CoresUsed(), r.Best(), r.Median(),
                    r.Fps(), r.peakMb, r.CoresUsed(), ratio, medianRatio);
    }
    if (std::any_of(rows.begin(), rows.end(), [](const Row& row) { return row.threads.has_value(); })) {
        std::printf("\nExtra run \"engine, codec threads = cores\" (ThreadCount = %d, as the conversion component"
                    " sets it)\n",
                    CodecThreadsPerCore());
        std::printf("%-4s | %-8s %-8s %7s %8s %5s | %7s %8s | %7s %8s\n", "", "eng thr", "(median)", "fps", "peak MB",
                    "cores", "thr/ref", "(median)", "thr/eng", "(median)");
        std::printf("-----+-------------------------------------------+------------------+-----------------\n");
        for (Row& row : rows) {
            if (!row.threads) continue;
            const Measure& t = row.threads->m;
            char vsRef[32], vsRefMedian[32], vsEngine[32], vsEngineMedian[32];
            ratios(t, row.reference.m, vsRef, vsRefMedian);
            ratios(t, row.engine.m, vsEngine, vsEngineMedian);
            std::printf("%-4s | %7.2fs %7.2fs %7.1f %8.1f %5.2f | %7s %8s | %7s %8s\n", row.s->name.c_str(), t.Best(),
                        t.Median(), t.Fps(), t.peakMb, t.CoresUsed(), vsRef, vsRefMedian, vsEngine, vsEngineMedian);
        }
    }
    std::printf("\n");
    for (const Row& row : rows) std::printf("  %s: %s\n", row.s->name.c_str(), row.s->description.c_str());

    std::printf("fps = output video frames / best wall time; peak MB = largest ru_maxrss of the runs\n");
    std::printf("cores = CPU time (ru_utime + ru_stime from wait4) / wall time of the child processes, "
                "over all runs\n");
    std::printf("\nTargets: wall-time ratio engine/reference <= %.2f (best times), engine peak memory < %.0f MB\n",
                kRatioTarget, kEngineMemoryTargetMb);
    for (Row& row : rows) {
        const Measure& e = row.engine.m;
        const Measure& r = row.reference.m;
        if (e.failed || r.failed) {
            std::printf("  %s: not measured (conversion failed)\n", row.s->name.c_str());
            continue;
        }
        const double ratio = e.Best() / r.Best();
        std::printf("  %s: ratio %.3f %s; engine peak %.1f MB %s\n", row.s->name.c_str(), ratio,
                    ratio <= kRatioTarget ? "MET" : "MISSED", e.peakMb,
                    e.peakMb < kEngineMemoryTargetMb ? "MET" : "MISSED");
    }
    for (Row& row : rows) {
        if (!row.threads || row.threads->m.failed || row.engine.m.failed) continue;
        const Measure& t = row.threads->m;
        const Measure& e = row.engine.m;
        std::printf("  %s engine, codec threads = cores (no target): %.2f cores used vs %.2f with codec threads = 1, "
                    "best time %.2fx of it\n",
                    row.s->name.c_str(), t.CoresUsed(), e.CoresUsed(), e.Best() > 0 ? t.Best() / e.Best() : 0.0);
    }
    for (Row& row : rows)
        for (const Arm* arm : row.Arms())
            if (!arm->m.failed && !arm->m.checked)
                std::printf("  %s %s: output failed the sanity check (see above)\n", row.s->name.c_str(),
                            arm->kind.c_str());
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
