// The conversion component: tasks, their threads, events and log routing.
// Every ordering must end each task with exactly one termination and each
// batch with one all-done event.
#include "vexcoder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <random>
#include <regex>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "log_routing.h"
#include "media_fixture.h"

namespace vidmorph {
namespace {

using namespace std::chrono_literals;
using fixtures::MediaSpec;
using fixtures::TempDir;

// The owner's event loop, run by hand.
class ManualScheduler : public IScheduler {
public:
    void CallLater(int milliseconds, std::function<void()> call) override {
        delays.push_back(milliseconds);
        queue.push_back(std::move(call));
    }
    // Runs deferred calls (and the ones they defer) until none is left.
    int RunAll() {
        int ran = 0;
        while (!queue.empty()) {
            auto call = std::move(queue.front());
            queue.pop_front();
            call();
            ++ran;
        }
        return ran;
    }
    std::deque<std::function<void()>> queue;
    std::vector<int> delays;
};

struct Termination {
    int index;
    bool finished, exception;
    std::string message;
    pid_t thread;
};

// What the component reported, with waiting for it.
class Events {
public:
    void Attach(TVexcoder& v) {
        v.OnTerminate = [this](int index, bool finished, bool exception, const std::string& message) {
            std::lock_guard lock(m);
            terminations.push_back({index, finished, exception, message, CurrentThreadId()});
            if (onTerminate) onTerminate(index);
            cv.notify_all();
        };
        v.OnProgress = [this](int index, int, int, int, float, float, int64_t, int) {
            std::lock_guard lock(m);
            ++progress[index];
            cv.notify_all();
        };
    }
    bool WaitAllDone(int batches = 1) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 60s, [&] { return AllDone() >= batches; });
    }
    bool WaitProgress(int index, int count) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 60s, [&] { return progress[index] >= count; });
    }
    int AllDone() const {
        return static_cast<int>(std::count_if(terminations.begin(), terminations.end(),
                                              [](const Termination& t) { return t.index == -1; }));
    }
    int TerminationsOf(int index) {
        std::lock_guard lock(m);
        return static_cast<int>(std::count_if(terminations.begin(), terminations.end(),
                                              [&](const Termination& t) { return t.index == index; }));
    }
    std::vector<Termination> Terminations() {
        std::lock_guard lock(m);
        return terminations;
    }
    int Progress(int index) {
        std::lock_guard lock(m);
        return progress[index];
    }

    std::mutex m;
    std::condition_variable cv;
    std::vector<Termination> terminations;
    std::map<int, int> progress;
    std::function<void(int)> onTerminate;  // runs inside the event, under the component's lock
};

class Vexcoder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir();
        fixtures::MakeMediaFile(dir->File("short.avi"), MediaSpec{.videoCodec = "mpeg4", .width = 160, .height = 120,
                                                                  .audioCodec = "pcm_s16le", .seconds = 0.3});
        fixtures::MakeMediaFile(dir->File("long.avi"), MediaSpec{.videoCodec = "mpeg4", .width = 640, .height = 480,
                                                                 .audioCodec = "pcm_s16le", .seconds = 6.0});
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override {
        ASSERT_TRUE(v.LoadCodecLibraries("", true));
        events.Attach(v);
        // One codec thread per task: these tests are about the component's
        // threads, and the codec libraries' own workers synchronise through
        // atomics a thread checker cannot see.
        v.CodecThreads = 1;
    }
    void TearDown() override { v.ClearTasks(); }

    // A task converting `input` to an MPEG-4 AVI; its index.
    int AddTask(const std::string& input, TVexcoder* component = nullptr) {
        TVexcoder& c = component ? *component : v;
        const int index = c.AddInput(dir->File(input));
        EXPECT_GE(index, 0) << c.LastError();
        TOutputOptions out;
        InitOutputOptions(out);
        out.VideoCodec = "mpeg4";
        out.AudioCodec = "mp2";
        EXPECT_TRUE(c.AddOutput(index, dir->File("out" + std::to_string(counter++) + ".avi"), &out)) << c.LastError();
        return index;
    }

    static TempDir* dir;
    static inline int counter = 0;
    ManualScheduler scheduler;
    TVexcoder v{&scheduler};
    Events events;
};
TempDir* Vexcoder::dir = nullptr;

TEST_F(Vexcoder, PublishedDefaultsAndTheProgressFloor) {
    EXPECT_EQ(v.LogLevel(), llInfo);
    EXPECT_EQ(v.ProgressInterval(), 500);
    EXPECT_EQ(v.ThreadPriority, cpNormal);
    EXPECT_STREQ(TVexcoder::Version(), "2.0b");
    EXPECT_EQ(v.NextTaskIndex(), -1);
    const std::pair<int, int> floors[] = {{50, 100}, {100, 100}, {101, 101}, {250, 250}, {-5, 100}};
    for (const auto& [set, stored] : floors) {
        v.SetProgressInterval(set);
        EXPECT_EQ(v.ProgressInterval(), stored) << set;
    }
}

TEST_F(Vexcoder, StartingAnEmptyListRaisesNothing) {
    v.StartTasks(1);
    v.StartTasks(0);
    EXPECT_EQ(scheduler.RunAll(), 0);
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(events.Terminations().empty());
}

TEST_F(Vexcoder, ParallelTasksAndTheAllDoneEvent) {
    for (int i = 0; i < 3; ++i) AddTask("short.avi");
    // At the first termination the other of the first two still has its
    // thread, and the third has none yet: it starts after that termination.
    std::vector<pid_t> atFirstTermination;
    int first = -1;
    events.onTerminate = [&](int index) {
        if (first >= 0 || index < 0) return;
        first = index;
        for (int i = 0; i < 3; ++i) atFirstTermination.push_back(v.Tasks().Item(i)->ThreadId);
    };
    v.StartTasks(2);
    ASSERT_TRUE(events.WaitAllDone());
    ASSERT_EQ(atFirstTermination.size(), 3u);
    ASSERT_TRUE(first == 0 || first == 1);
    EXPECT_EQ(atFirstTermination[static_cast<std::size_t>(first)], 0);  // a terminated task runs no more
    EXPECT_NE(atFirstTermination[static_cast<std::size_t>(1 - first)], 0);
    EXPECT_EQ(atFirstTermination[2], 0);
    const auto t = events.Terminations();
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t.back().index, -1);  // the all-done event comes last, once
    EXPECT_TRUE(t.back().finished);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(events.TerminationsOf(i), 1);
        EXPECT_NE(t[i].thread, CurrentThreadId());  // on the tasks' threads
        EXPECT_TRUE(t[i].finished);
        EXPECT_FALSE(t[i].exception);
    }
}

TEST_F(Vexcoder, SynchronousModeRunsOneTaskAfterAnotherThroughTheScheduler) {
    for (int i = 0; i < 3; ++i) AddTask("short.avi");
    v.StartTasks(0);
    EXPECT_TRUE(events.Terminations().empty());  // nothing runs before the owner's loop does
    EXPECT_EQ(scheduler.queue.size(), 1u);
    EXPECT_EQ(scheduler.RunAll(), 3);  // each termination armed the next call
    EXPECT_THAT(scheduler.delays, ::testing::Each(100));
    const auto t = events.Terminations();
    ASSERT_EQ(t.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t[i].index, i);
        EXPECT_EQ(t[i].thread, CurrentThreadId());  // on the owner's thread
    }
    EXPECT_EQ(t[3].index, -1);
}

TEST_F(Vexcoder, StopWithOneRunningAndOneNeverStarted) {
    AddTask("long.avi");
    AddTask("short.avi");
    v.SetProgressInterval(100);
    v.StartTasks(1);
    ASSERT_TRUE(events.WaitProgress(0, 1));
    v.StopTasks();
    ASSERT_TRUE(events.WaitAllDone());
    const auto t = events.Terminations();
    ASSERT_EQ(t.size(), 3u);
    const auto first = std::find_if(t.begin(), t.end(), [](const Termination& x) { return x.index == 0; });
    const auto second = std::find_if(t.begin(), t.end(), [](const Termination& x) { return x.index == 1; });
    ASSERT_NE(first, t.end());
    ASSERT_NE(second, t.end());
    EXPECT_FALSE(first->finished);
    EXPECT_FALSE(first->exception);
    EXPECT_FALSE(second->finished);
    EXPECT_FALSE(second->exception);
    EXPECT_EQ(second->message, "");
    EXPECT_NE(second->thread, CurrentThreadId());
    EXPECT_EQ(t.back().index, -1);
}

TEST_F(Vexcoder, PauseAndResumeAroundARunningConversion) {
    AddTask("long.avi");
    v.SetProgressInterval(100);
    v.StartTasks(1);
    ASSERT_TRUE(events.WaitProgress(0, 1));
    v.PauseTasks();
    std::this_thread::sleep_for(50ms);
    const int held = events.Progress(0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events.Progress(0), held);
    EXPECT_TRUE(events.Terminations().empty());
    v.ResumeTasks();
    ASSERT_TRUE(events.WaitAllDone());
    EXPECT_GT(events.Progress(0), held);
    EXPECT_TRUE(events.Terminations().front().finished);
}

TEST_F(Vexcoder, TasksAreRenumberedAndRecordsFilled) {
    TInputOptions in;
    InitInputOptions(in);
    EXPECT_EQ(v.AddInput(dir->File("short.avi"), &in), 0);
    EXPECT_EQ(in.FileName, dir->File("short.avi"));
    EXPECT_EQ(v.Tasks().Item(0)->InputOptions.FileName, dir->File("short.avi"));
    TOutputOptions out;
    InitOutputOptions(out);
    EXPECT_TRUE(v.AddOutput(0, dir->File("filled.avi"), &out));
    EXPECT_EQ(out.FileName, dir->File("filled.avi"));
    AddTask("short.avi");
    AddTask("short.avi");
    v.DeleteTask(0);
    ASSERT_EQ(v.Tasks().Count(), 2);
    EXPECT_EQ(v.Tasks().Item(0)->TaskIndex, 0);
    EXPECT_EQ(v.Tasks().Item(1)->TaskIndex, 1);
}

TEST_F(Vexcoder, FailuresLeaveTheirText) {
    EXPECT_EQ(v.AddInput(dir->File("missing.avi")), -1);
    EXPECT_EQ(v.LastError(), dir->File("missing.avi") + ": no such file or directory");
    TInputOptions in;
    InitInputOptions(in);
    in.ExtraOptions = "threads=2";
    EXPECT_EQ(v.AddInput(dir->File("short.avi"), &in), -1);
    EXPECT_EQ(v.LastError(), "TODO: option - threads");
    EXPECT_EQ(v.Tasks().Count(), 0);

    const int index = v.AddInput(dir->File("short.avi"));
    EXPECT_FALSE(v.AddOutput(index, dir->File("out.xyz")));
    EXPECT_EQ(v.LastError(), "Unable to find a suitable output format for '" + dir->File("out.xyz") + "'");
    EXPECT_EQ(v.Tasks().Count(), 1);  // the caller deletes it
    TOutputOptions out;
    InitOutputOptions(out);
    out.FrameSize = "641x480";
    EXPECT_FALSE(v.AddOutput(index, dir->File("odd.avi"), &out));
    EXPECT_EQ(v.LastError(), "Frame size must be a multiple of 2");
    v.ClearTasks();
    EXPECT_EQ(v.LastError(), "");
}

TEST_F(Vexcoder, LibraryLogLinesAreSplitJoinedAndRouted) {
    std::vector<std::tuple<int, TLogLevel, std::string>> lines;
    std::mutex m;
    v.OnLog = [&](int index, TLogLevel level, const std::string& text) {
        std::lock_guard lock(m);
        lines.emplace_back(index, level, text);
    };
    v.SetLogLevel(llAll);
    const int task = v.AddInput(dir->File("short.avi"));
    {
        std::lock_guard lock(m);
        lines.clear();  // what opening the input logged
    }
    std::thread worker([&] {
        const_cast<TFFmpeg*>(v.Tasks().Item(task))->ThreadId = CurrentThreadId();
        av_log(nullptr, AV_LOG_INFO, "first half, ");
        av_log(nullptr, AV_LOG_INFO, "second half\nline two\nline three\n");
        struct {
            const AVClass* cls;
        } context{nullptr};
        static const AVClass fake = [] {
            AVClass c{};
            c.class_name = "fake";
            c.item_name = av_default_item_name;
            c.version = LIBAVUTIL_VERSION_INT;
            return c;
        }();
        context.cls = &fake;
        av_log(&context, AV_LOG_ERROR, "with a prefix\n");
        av_log(nullptr, AV_LOG_INFO, "%s\n", std::string(5000, 'x').c_str());  // cut, never overrun
    });
    worker.join();
    std::thread other([&] { av_log(nullptr, AV_LOG_INFO, "from nowhere\n"); });
    other.join();
    v.SetLogLevel(llInfo);

    std::lock_guard lock(m);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], std::make_tuple(task, llInfo, std::string("first half, second half")));
    EXPECT_EQ(lines[1], std::make_tuple(task, llInfo, std::string("line two")));
    EXPECT_EQ(lines[2], std::make_tuple(task, llInfo, std::string("line three")));
    EXPECT_EQ(std::get<1>(lines[3]), llError);
    EXPECT_TRUE(std::regex_match(std::get<2>(lines[3]), std::regex(R"(\[fake @ [0-9A-F]{8,}\]with a prefix)")))
        << std::get<2>(lines[3]);
    EXPECT_EQ(std::get<2>(lines[4]), std::string(2046, 'x'));  // cut, with its line end kept
    EXPECT_EQ(lines[5], std::make_tuple(-1, llInfo, std::string("from nowhere")));
}

TEST_F(Vexcoder, LevelsOfTheEngineScale) {
    std::vector<TLogLevel> levels;
    v.OnLog = [&](int, TLogLevel level, const std::string&) { levels.push_back(level); };
    const int task = v.AddInput(dir->File("short.avi"));
    levels.clear();
    TFFmpeg& engine = *v.Tasks().Item(task);
    for (int level : {-5, -1, 0, 1, 2, 3, 7}) engine.LogHandler(engine, level, "x");
    EXPECT_THAT(levels, ::testing::ElementsAre(llQuiet, llQuiet, llError, llInfo, llDebug, llAll, llAll));
}

TEST_F(Vexcoder, HandlerThatDeletesATaskWhoseStartWasRefused) {
    const int index = v.AddInput(dir->File("short.avi"));  // no output: its start checks fail
    events.onTerminate = [&](int i) {
        if (i == index) v.DeleteTask(i);
    };
    v.StartTasks(1);
    ASSERT_TRUE(events.WaitAllDone());
    EXPECT_EQ(v.Tasks().Count(), 0);
    EXPECT_TRUE(events.Terminations().front().exception);
}

TEST_F(Vexcoder, RemovingTasksDuringABatchKeepsItGoing) {
    // A finished task removed from its own termination: the others still run.
    for (int i = 0; i < 3; ++i) AddTask("short.avi");
    int removed = 0;
    events.onTerminate = [&](int index) {
        if (index >= 0 && removed++ == 0) v.DeleteTask(index);
    };
    v.StartTasks(1);
    ASSERT_TRUE(events.WaitAllDone());
    EXPECT_EQ(v.Tasks().Count(), 2);
    EXPECT_EQ(events.Terminations().size(), 4u);  // three tasks and one all-done event
    EXPECT_EQ(events.AllDone(), 1);

    // A waiting task removed from outside: the batch ends without it.
    v.ClearTasks();
    events.onTerminate = nullptr;
    Events second;
    second.Attach(v);
    AddTask("long.avi");
    AddTask("short.avi");
    AddTask("short.avi");
    v.StartTasks(1);
    v.DeleteTask(2);
    ASSERT_TRUE(second.WaitAllDone());
    EXPECT_EQ(second.Terminations().size(), 3u);
    EXPECT_EQ(second.AllDone(), 1);

    // A running task removed from outside: the next one starts in its place.
    v.ClearTasks();
    Events third;
    third.Attach(v);
    AddTask("long.avi");
    AddTask("short.avi");
    v.SetProgressInterval(100);
    v.StartTasks(1);
    ASSERT_TRUE(third.WaitProgress(0, 1));
    v.DeleteTask(0);
    ASSERT_TRUE(third.WaitAllDone());
    const auto t = third.Terminations();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].index, 0);  // the task that moved up to position 0
    EXPECT_TRUE(t[0].finished);
}

TEST_F(Vexcoder, HandlerThatClearsTheTasksAsTheAppDoes) {
    for (int i = 0; i < 2; ++i) AddTask("short.avi");
    events.onTerminate = [&](int index) {
        if (index == -1) v.ClearTasks();
    };
    v.StartTasks(2);
    ASSERT_TRUE(events.WaitAllDone());
    EXPECT_EQ(v.Tasks().Count(), 0);
}

TEST_F(Vexcoder, HandlerThatFreesRunningTasks) {
    AddTask("short.avi");
    AddTask("long.avi");
    AddTask("long.avi");
    events.onTerminate = [&](int index) {
        if (index == 0) v.ClearTasks();  // the other two still run
    };
    v.StartTasks(3);
    ASSERT_TRUE(events.WaitAllDone());
    EXPECT_EQ(v.Tasks().Count(), 0);
}

TEST_F(Vexcoder, DestroyedWhileTasksRun) {
    auto owned = std::make_unique<TVexcoder>(&scheduler);
    owned->CodecThreads = 1;
    Events mine;
    mine.Attach(*owned);
    AddTask("long.avi", owned.get());
    AddTask("long.avi", owned.get());
    owned->SetProgressInterval(100);
    owned->StartTasks(2);
    ASSERT_TRUE(mine.WaitProgress(0, 1));
    owned.reset();  // stops and frees every task
}

TEST_F(Vexcoder, CodecThreadsReachTheEngines) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    v.CodecThreads = 0;  // one per core
    AddTask("short.avi");
    EXPECT_EQ(v.Tasks().Item(0)->ThreadCount, static_cast<int>(cores));
    v.CodecThreads = 1;
    AddTask("short.avi");
    EXPECT_EQ(v.Tasks().Item(1)->ThreadCount, 1);
    v.StartTasks(2);
    ASSERT_TRUE(events.WaitAllDone());
    EXPECT_TRUE(events.Terminations().front().finished);
}

TEST_F(Vexcoder, StressPauseResumeStopFromAnotherThread) {
    std::mt19937 random(20261211);
    int operations = 0, batches = 0;
    while (operations < 200) {
        v.ClearTasks();
        for (int i = 0; i < 3; ++i) AddTask("short.avi");
        v.StartTasks(3);
        ++batches;
        std::thread chaos([&] {
            for (int n = 0; n < 20; ++n, ++operations) {
                switch (random() % 4) {
                    case 0: v.PauseTasks(); break;
                    case 1: v.ResumeTasks(); break;
                    case 2: v.StopTasks(); break;
                    default: break;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
            }
            v.ResumeTasks();
        });
        chaos.join();
        ASSERT_TRUE(events.WaitAllDone(batches)) << "batch " << batches;
        for (int i = 0; i < 3; ++i) ASSERT_EQ(events.TerminationsOf(i), batches) << "task " << i;
    }
    EXPECT_EQ(events.AllDone(), batches);
}

}  // namespace
}  // namespace vidmorph
