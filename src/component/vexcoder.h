// TVexcoder: the conversion component. Keeps a list of tasks (one engine per
// input file), starts them on worker threads (or one after another on the
// owner's thread), and reports their progress, log lines and terminations as
// events raised on the thread that produced them. All operations are called
// from the owner's (GUI) thread.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ffmpeg_task.h"
#include "media_probe.h"
#include "scheduler.h"

namespace vidmorph {

enum TLogLevel { llQuiet, llError, llInfo, llDebug, llAll };
enum TConvertPriority { cpIdle = tpIdle, cpLowest = tpLowest, cpLower = tpLower, cpNormal = tpNormal };

using TProgressEvent = std::function<void(int AIndex, int AFrameNumber, int AFPS, int ACurrentDuration, float AQuality,
                                          float ABitRate, int64_t ACurrentSize, int ATotalOutputDuration)>;
using TTerminateEvent = std::function<void(int AIndex, bool AFinished, bool AException, const std::string& AMessage)>;
using TLogEvent = std::function<void(int AIndex, TLogLevel ALogLevel, const std::string& AMsg)>;
using TCustomHookEvent = std::function<void(int AIndex, TBitmap& ABitmap, int AFrameNumber, int64_t APTS,
                                            bool& AUpdate, bool& AStopHook)>;
using TBeforeHookEvent = std::function<void(int AIndex, int64_t APTS, THookAction& AHookAction)>;

// The level of a message on the engine's scale (-1 quiet .. 3 everything).
TLogLevel LogLevelOf(int ALevel);

// The component's tasks; owns them.
class TFFmpegList {
public:
    int Add(std::unique_ptr<TFFmpeg> task);
    TFFmpeg* Item(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    void Delete(int index);
    void Clear();
    TFFmpeg* FindByThreadId(pid_t id) const;
    // Takes the tasks out of the list without freeing them.
    std::vector<std::unique_ptr<TFFmpeg>> TakeAll();
    std::unique_ptr<TFFmpeg> Take(int index);

private:
    std::vector<std::unique_ptr<TFFmpeg>> items_;
};

class TCustomVexcoder {
public:
    explicit TCustomVexcoder(IScheduler* AScheduler = nullptr);
    virtual ~TCustomVexcoder();
    TCustomVexcoder(const TCustomVexcoder&) = delete;
    TCustomVexcoder& operator=(const TCustomVexcoder&) = delete;

    bool LoadCodecLibraries(const std::string& APath, bool AVersionedNames);
    // The new task's index, or -1 with LastError set. AOptions' FileName is
    // filled with AFileName when empty.
    int AddInput(const std::string& AFileName, TInputOptions* AOptions = nullptr);
    bool AddOutput(int AIndex, const std::string& AFileName, TOutputOptions* AOptions = nullptr);
    // Starts up to AParallelCount tasks at once; 0 or less runs them one
    // after another on the owner's thread through the scheduler (without a
    // scheduler: one after another on worker threads).
    void StartTasks(int AParallelCount);
    void StopTasks();
    void PauseTasks();
    void ResumeTasks();
    void DeleteTask(int AIndex);
    void ClearTasks();

    std::string LastError() const;
    TAVProbe& Probe() { return probe_; }
    const TFFmpegList& Tasks() const { return tasks_; }

    TLogLevel LogLevel() const { return logLevel_; }
    void SetLogLevel(TLogLevel AValue);
    int ProgressInterval() const { return progressInterval_; }
    void SetProgressInterval(int AValue) { progressInterval_ = AValue <= 100 ? 100 : AValue; }
    TConvertPriority ThreadPriority = cpNormal;
    // Threads each task's decoders and encoders may use; 0 = one per core.
    int CodecThreads = 0;
    static const char* Version() { return "2.0b"; }

    TBeforeHookEvent OnBeforeHook;
    TCustomHookEvent OnCustomHook;
    TLogEvent OnLog;
    TProgressEvent OnProgress;
    TTerminateEvent OnTerminate;

    int NextTaskIndex() const { return nextTaskIndex_; }
    int ParallelCount() const { return parallelCount_; }

    // Hands a finished library log line to this component (log routing).
    void DeliverLogLine(pid_t AThreadId, int ALevel, const std::string& ALine);

protected:
    // Leaves the log routing, then stops and frees every task. The
    // destructor does this; a class deriving from the component calls it
    // first in its own destructor, so no task raises an event into a
    // half-destroyed object.
    void Shutdown();

    virtual void DoBeforeHook(TFFmpeg& ATask, int64_t APTS, THookAction& AHookAction);
    virtual void DoCustomHook(TFFmpeg& ATask, TBitmap& ABitmap, int AFrameNumber, int64_t APTS, bool& AUpdate,
                              bool& AStopHook);
    virtual void DoLog(TFFmpeg* ATask, int ALevel, const std::string& AText);
    virtual void DoProgress(TFFmpeg& ATask, int AFrameNumber, int AFPS, int ACurrentDuration, float AQuality,
                            float ABitRate, int64_t ACurrentSize, int ATotalDuration);
    virtual void DoTerminate(TFFmpeg& ATask);

private:
    void StartNextTask();
    void StartTask(TFFmpeg& ATask);
    // After a termination, a refused start or a removal: the next pending
    // task starts, or, with nothing left to wait for, the batch ends with
    // the all-done event.
    void ContinueBatch();
    // Takes a removed task out of the batch's bookkeeping.
    void LeaveBatch(TFFmpeg& ATask);
    // Runs an event handler (lock held); a batch step a handler asked for
    // runs once the outermost handler has returned, so no event nests in another.
    template <typename F>
    void RaiseEvent(F&& handler);
    void SetEngineVerbosity(TFFmpeg& ATask);
    // Records which thread runs a task (0: none), for the log routing.
    void SetThreadOf(TFFmpeg& ATask, pid_t AThreadId);
    // Takes the component lock for an event of a task; false when the task
    // is being freed and the lock stays busy (its event is then dropped).
    bool LockForEvent(std::unique_lock<std::recursive_mutex>& lock, const TFFmpeg* ATask);
    // Frees tasks; when called from an event handler (lock held), other
    // tasks' events are not waited for.
    void FreeTasks(std::vector<std::unique_ptr<TFFmpeg>> tasks);

    mutable std::recursive_mutex lock_;
    IScheduler* scheduler_;
    TAVProbe probe_;
    TFFmpegList tasks_;
    std::string lastError_;
    TLogLevel logLevel_ = llInfo;
    int progressInterval_ = 500;
    int nextTaskIndex_ = -1;
    int parallelCount_ = 0;
    int finishedCount_ = 0;
    int pendingCount_ = 0;
    std::deque<TFFmpeg*> pending_;  // tasks of the batch not started yet, in list order
    int expected_ = 0;              // terminations the batch still waits for
    bool batchActive_ = false;      // between StartTasks and its all-done event
    uint64_t terminations_ = 0;     // terminations delivered so far
    int eventDepth_ = 0;            // handlers running right now (under the lock)
    bool continueRequested_ = false;  // a removal inside a handler: continue the batch after it
    std::mutex ownedMutex_;
    std::vector<pid_t> ownedThreads_;  // threads running this component's tasks
    std::atomic<int> freeing_{0};                         // tasks being freed right now
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for deferred calls
public:
    struct RegistryHandle;

private:
    std::shared_ptr<RegistryHandle> registryHandle_;
    friend class TLogRouting;
};

class TVexcoder : public TCustomVexcoder {
public:
    using TCustomVexcoder::TCustomVexcoder;
    ~TVexcoder() override { Shutdown(); }
};

}  // namespace vidmorph
