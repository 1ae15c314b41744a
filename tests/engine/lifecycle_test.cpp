// The engine's run lifecycle: start checks, threaded and synchronous runs,
// stop, pause, resume, destruction and release. Every ordering must end with
// exactly one termination.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <thread>

#include "engine_test_support.h"
#include "ffmpeg_task.h"
#include "library_binding.h"

namespace vidmorph {
namespace {

using namespace std::chrono_literals;
using testing::LogLine;

// An engine whose conversion is a script, so that the lifecycle can be driven
// without media.
class ScriptedEngine : public TFFmpeg {
public:
    ~ScriptedEngine() override { AbortAndWait(); }
    std::function<void(ScriptedEngine&)> Body;
    using TCustomFFmpeg::CheckPaused;
    using TCustomFFmpeg::Log;

    // Gives the engine an (unopened) input and a null output, enough for the start checks.
    void AddFiles(int inputs, int outputs) {
        for (; InputFileCount < inputs; ++InputFileCount) InputFiles[InputFileCount].reset(avformat_alloc_context());
        for (; OutputFileCount < outputs; ++OutputFileCount) {
            AVFormatContext* out = nullptr;
            avformat_alloc_output_context2(&out, nullptr, "null", nullptr);
            OutputFiles[OutputFileCount].reset(out);
        }
    }

protected:
    void Transcode() override {
        if (Body) Body(*this);
    }
};

// The usual conversion: runs until stopped, logging a tick per step.
void RunUntilStopped(ScriptedEngine& e) {
    while (!e.StopRequested) {
        e.CheckPaused();
        e.Log(1, "tick");
        std::this_thread::sleep_for(1ms);
    }
    e.Finished = !e.StopRequested;
}

void RunToTheEnd(ScriptedEngine& e) { e.Finished = !e.StopRequested; }

// What the terminate handler saw.
struct Terminations {
    std::mutex m;
    std::condition_variable cv;
    int count = 0;
    pid_t thread = 0;
    bool finished = false, failed = false;
    std::string message;

    TTerminateHandler Handler() {
        return [this](TCustomFFmpeg& sender) {
            std::lock_guard lock(m);
            ++count;
            thread = CurrentThreadId();
            finished = sender.Finished;
            failed = sender.Failed;
            message = sender.FailureMessage;
            cv.notify_all();
        };
    }
    bool WaitFor(int n) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 10s, [&] { return count >= n; });
    }
    int Count() {
        std::lock_guard lock(m);
        return count;
    }
};

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        e = std::make_unique<ScriptedEngine>();
        e->Prepare();
        log.Attach(*e);
        e->TerminateHandler = terms.Handler();
    }
    void TearDown() override {
        e.reset();
        // Nothing delivers a second termination later.
        std::this_thread::sleep_for(20ms);
        EXPECT_LE(terms.Count(), 1);
    }
    std::unique_ptr<ScriptedEngine> e;
    testing::LogRecorder log;
    Terminations terms;
};

TEST_F(Lifecycle, StartChecksFailWithOneTermination) {
    const struct {
        int inputs, outputs;
        const char* message;
    } cases[] = {
        {1, 0, "Must supply at least one output file"},
        {0, 0, "Must supply at least one output file"},
        {0, 1, "Must supply at least one input file"},
    };
    for (const auto& c : cases) {
        ScriptedEngine engine;
        engine.Prepare();
        Terminations t;
        testing::LogRecorder l;
        l.Attach(engine);
        engine.TerminateHandler = t.Handler();
        bool ran = false;
        engine.Body = [&](ScriptedEngine&) { ran = true; };
        engine.AddFiles(c.inputs, c.outputs);

        EXPECT_EQ(engine.Start(true, tpNormal), nullptr);
        EXPECT_EQ(t.Count(), 1) << c.message;
        EXPECT_EQ(t.thread, CurrentThreadId());
        EXPECT_TRUE(t.failed);
        EXPECT_FALSE(t.finished);
        EXPECT_EQ(t.message, c.message);
        EXPECT_THAT(l.Lines(), ::testing::ElementsAre(LogLine{-1, c.message}));
        EXPECT_EQ(engine.InputFileCount, 0);  // released before the report
        EXPECT_EQ(engine.OutputFileCount, 0);
        EXPECT_FALSE(ran);
        EXPECT_EQ(engine.Start(true, tpNormal), nullptr);  // terminated: no second start
        EXPECT_EQ(t.Count(), 1);
    }
}

TEST_F(Lifecycle, SynchronousRunEndsOnTheCallingThread) {
    e->AddFiles(1, 1);
    e->Body = RunToTheEnd;
    EXPECT_EQ(e->Start(false, tpNormal), nullptr);
    EXPECT_EQ(terms.Count(), 1);
    EXPECT_EQ(terms.thread, CurrentThreadId());
    EXPECT_TRUE(terms.finished);
    EXPECT_FALSE(terms.failed);
    EXPECT_FALSE(e->Running);
    EXPECT_TRUE(e->Terminated);
    EXPECT_EQ(e->OutputFileCount, 0);  // everything released after the run
}

TEST_F(Lifecycle, ThreadedRunEndsOnItsWorker) {
    e->AddFiles(1, 1);
    e->Body = RunToTheEnd;
    auto thread = e->Start(true, tpLower);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(thread->Suspended());  // created suspended: the caller resumes it
    EXPECT_NE(thread->ThreadID(), CurrentThreadId());
    EXPECT_EQ(e->WorkerThread(), thread);
    EXPECT_TRUE(e->Running);
    thread->Resume();
    ASSERT_TRUE(terms.WaitFor(1));
    EXPECT_EQ(terms.thread, thread->ThreadID());
    EXPECT_TRUE(terms.finished);
    EXPECT_FALSE(terms.failed);
    thread->WaitFor();
    EXPECT_EQ(e->WorkerThread(), nullptr);
}

TEST_F(Lifecycle, FailureOfTheRunIsReportedNotRaised) {
    e->AddFiles(1, 1);
    e->Body = [](ScriptedEngine&) { throw FFMpegException("Could not write header for output file #0"); };
    auto thread = e->Start(true, tpNormal);
    thread->Resume();
    ASSERT_TRUE(terms.WaitFor(1));
    EXPECT_TRUE(terms.failed);
    EXPECT_FALSE(terms.finished);
    EXPECT_EQ(terms.message, "Could not write header for output file #0");
    EXPECT_THAT(log.Lines(), ::testing::Contains(LogLine{-1, "Could not write header for output file #0"}));
    thread->WaitFor();
    EXPECT_EQ(thread->FatalException(), "");
}

TEST_F(Lifecycle, SecondStartIsRefusedWhileRunningAndAfterwards) {
    e->AddFiles(1, 1);
    e->Body = RunUntilStopped;
    auto thread = e->Start(true, tpNormal);
    thread->Resume();
    EXPECT_EQ(e->Start(true, tpNormal), nullptr);
    EXPECT_EQ(e->Start(false, tpNormal), nullptr);
    e->Stop();
    ASSERT_TRUE(terms.WaitFor(1));
    EXPECT_EQ(e->Start(true, tpNormal), nullptr);
    EXPECT_EQ(terms.Count(), 1);
}

TEST_F(Lifecycle, StopBeforeStartTerminatesOnceFromAnotherThread) {
    e->Stop();
    e->Stop();
    ASSERT_TRUE(terms.WaitFor(1));
    EXPECT_NE(terms.thread, CurrentThreadId());
    EXPECT_FALSE(terms.finished);
    EXPECT_FALSE(terms.failed);
    e->Stop();  // already terminated: left alone
    e->AddFiles(1, 1);
    EXPECT_EQ(e->Start(true, tpNormal), nullptr);
}

TEST_F(Lifecycle, StopDuringRunEndsItWithoutFailure) {
    e->AddFiles(1, 1);
    e->Body = RunUntilStopped;
    e->Start(true, tpNormal)->Resume();
    e->Stop();
    ASSERT_TRUE(terms.WaitFor(1));
    EXPECT_FALSE(terms.finished);
    EXPECT_FALSE(terms.failed);
    EXPECT_TRUE(e->StopRequested);  // stays set after a stopped run
}

TEST_F(Lifecycle, PauseHoldsTheWorkerAndItsHandlers) {
    e->AddFiles(1, 1);
    e->Body = RunUntilStopped;
    auto thread = e->Start(true, tpNormal);
    thread->Resume();
    while (log.Lines().size() < 3) std::this_thread::sleep_for(1ms);

    e->Pause();
    EXPECT_TRUE(thread->Suspended());
    std::this_thread::sleep_for(20ms);  // a step already past the gate may finish
    const auto held = log.Lines().size();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log.Lines().size(), held);

    e->Resume();
    while (log.Lines().size() < held + 3) std::this_thread::sleep_for(1ms);
    e->Pause();
    e->Stop();  // a paused run is woken to see the stop
    ASSERT_TRUE(terms.WaitFor(1));
    EXPECT_FALSE(terms.finished);
}

TEST_F(Lifecycle, DestroyingAPausedEngineStopsItAndWaits) {
    e->AddFiles(1, 1);
    e->Body = RunUntilStopped;
    e->Start(true, tpNormal)->Resume();
    while (log.Lines().empty()) std::this_thread::sleep_for(1ms);
    e->Pause();
    e.reset();
    EXPECT_EQ(terms.Count(), 1);
    EXPECT_FALSE(terms.finished);
}

TEST_F(Lifecycle, DestroyingAStartedButNeverResumedEngine) {
    e->AddFiles(1, 1);
    bool ran = false;
    e->Body = [&](ScriptedEngine& x) {
        ran = true;
        RunUntilStopped(x);
    };
    auto thread = e->Start(true, tpNormal);
    e.reset();
    EXPECT_EQ(terms.Count(), 1);
    EXPECT_FALSE(terms.finished);
    EXPECT_TRUE(thread->Finished());
    EXPECT_FALSE(ran);  // stopped before it began: nothing is converted
}

TEST_F(Lifecycle, TaskFreedByItsOwnTerminationHandler) {
    auto* raw = e.release();
    std::mutex m;
    std::condition_variable cv;
    bool freed = false;
    raw->AddFiles(1, 1);
    raw->Body = RunToTheEnd;
    raw->TerminateHandler = [&](TCustomFFmpeg& sender) {
        delete &sender;  // as a handler that clears the task list does
        std::lock_guard lock(m);
        freed = true;
        cv.notify_all();
    };
    raw->Start(true, tpNormal)->Resume();
    std::unique_lock lock(m);
    EXPECT_TRUE(cv.wait_for(lock, 10s, [&] { return freed; }));
}

TEST_F(Lifecycle, HandlerExceptionReachesTheCallerOfASynchronousStart) {
    e->AddFiles(1, 1);
    e->Body = RunToTheEnd;
    e->TerminateHandler = [](TCustomFFmpeg&) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(e->Start(false, tpNormal), std::runtime_error);
    EXPECT_TRUE(e->Terminated);
    EXPECT_EQ(e->OutputFileCount, 0);
}

TEST_F(Lifecycle, PrepareMakesATerminatedEngineStartableAgain) {
    e->AddFiles(1, 1);
    e->Body = RunToTheEnd;
    e->Start(false, tpNormal);
    ASSERT_EQ(terms.Count(), 1);
    e->Prepare();
    EXPECT_FALSE(e->Terminated);
    EXPECT_FALSE(e->Failed);
    EXPECT_EQ(e->Title, "");
    e->AddFiles(1, 1);
    Terminations again;
    e->TerminateHandler = again.Handler();
    e->Start(false, tpNormal);
    EXPECT_EQ(again.Count(), 1);
    EXPECT_TRUE(again.finished);
}

TEST_F(Lifecycle, ReleaseAllDropsEmptyOutputsKeepsWrittenOnesAndRepeats) {
    const auto dir = std::filesystem::temp_directory_path() / "vidmorph_release";
    std::filesystem::create_directories(dir);
    const std::string names[] = {(dir / "empty.mp4").string(), (dir / "written.mp4").string()};
    for (const std::string& name : names) {
        AVFormatContext* out = nullptr;
        ASSERT_GE(avformat_alloc_output_context2(&out, nullptr, nullptr, name.c_str()), 0);
        e->OutputFiles[e->OutputFileCount++].reset(out);
        ASSERT_GE(avio_open(&out->pb, name.c_str(), AVIO_FLAG_WRITE), 0);
    }
    avio_write(e->OutputFiles[1]->pb, reinterpret_cast<const unsigned char*>("data"), 4);

    e->ReleaseAll();
    EXPECT_FALSE(std::filesystem::exists(names[0]));
    EXPECT_EQ(TCustomFFmpeg::FileSizeOf(names[1]), 4);
    EXPECT_EQ(e->OutputFileCount, 0);
    EXPECT_FALSE(e->FormatDefaults);
    e->ReleaseAll();
    std::filesystem::remove_all(dir);
}

TEST_F(Lifecycle, PrepareDoesNothingWhileLibrariesAreUnbound) {
    UnbindCodecLibraries();
    ScriptedEngine engine;
    engine.Prepare();
    EXPECT_FALSE(engine.CodecDefaults[0]);
    ASSERT_TRUE(BindCodecLibraries("", true));
    engine.Prepare();
    EXPECT_TRUE(engine.CodecDefaults[0]);
}

}  // namespace
}  // namespace vidmorph
