#include "vexcoder.h"

#include <algorithm>
#include <chrono>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "library_binding.h"
#include "log_levels.h"
#include "log_routing.h"

namespace vidmorph {

using namespace std::chrono_literals;

TLogLevel LogLevelOf(int ALevel) { return static_cast<TLogLevel>(std::clamp(ALevel + 1, 0, 4)); }

// ---- task list ------------------------------------------------------------

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> task) {
    items_.push_back(std::move(task));
    return Count() - 1;
}

TFFmpeg* TFFmpegList::Item(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)].get() : nullptr;
}

std::unique_ptr<TFFmpeg> TFFmpegList::Take(int index) {
    if (index < 0 || index >= Count()) return nullptr;
    auto task = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    for (int i = index; i < Count(); ++i) items_[static_cast<std::size_t>(i)]->TaskIndex = i;
    return task;
}

void TFFmpegList::Delete(int index) { Take(index).reset(); }

std::vector<std::unique_ptr<TFFmpeg>> TFFmpegList::TakeAll() { return std::exchange(items_, {}); }

void TFFmpegList::Clear() { TakeAll().clear(); }

TFFmpeg* TFFmpegList::FindByThreadId(pid_t id) const {
    for (const auto& task : items_)
        if (task->ThreadId == id) return task.get();
    return nullptr;
}

// ---- component ----------------------------------------------------------------

TCustomVexcoder::TCustomVexcoder(IScheduler* AScheduler) : scheduler_(AScheduler) { TLogRouting::Register(*this); }

TCustomVexcoder::~TCustomVexcoder() { Shutdown(); }

void TCustomVexcoder::Shutdown() {
    TLogRouting::Unregister(*this);
    *alive_ = false;
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    {
        std::lock_guard lock(lock_);
        tasks = tasks_.TakeAll();
    }
    FreeTasks(std::move(tasks));
}

bool TCustomVexcoder::LoadCodecLibraries(const std::string& APath, bool AVersionedNames) {
    if (!BindCodecLibraries(APath, AVersionedNames)) {
        lastError_ = BindError();
        return false;
    }
    av_log_set_callback(TLogRouting::LibraryLogCallback);
    SetProcessLogLevel(static_cast<int>(logLevel_) - 1);
    return true;
}

void TCustomVexcoder::SetLogLevel(TLogLevel AValue) {
    logLevel_ = AValue;
    if (LibrariesBound()) SetProcessLogLevel(static_cast<int>(AValue) - 1);
}

std::string TCustomVexcoder::LastError() const {
    std::lock_guard lock(lock_);
    return lastError_;
}

void TCustomVexcoder::SetEngineVerbosity(TFFmpeg& ATask) { ATask.SetVerbosity(static_cast<int>(logLevel_) - 1); }

int TCustomVexcoder::AddInput(const std::string& AFileName, TInputOptions* AOptions) {
    auto task = std::make_unique<TFFmpeg>();
    try {
        task->Prepare();
        SetEngineVerbosity(*task);
        task->ThreadCount = CodecThreads > 0 ? CodecThreads : std::max(1u, std::thread::hardware_concurrency());
        if (AOptions) {
            if (AOptions->FileName.empty()) AOptions->FileName = AFileName;
            task->InputOptions = *AOptions;
            ApplyInputOptions(*task, *AOptions);
        } else {
            InitInputOptions(task->InputOptions);
        }
        if (!task->OpenInputFile(AFileName)) {
            std::lock_guard lock(lock_);
            lastError_ = task->LastOpenError;
            return -1;
        }
    } catch (const std::exception& e) {
        std::lock_guard lock(lock_);
        lastError_ = e.what();
        return -1;
    }
    TFFmpeg& t = *task;
    t.LogHandler = [this](TCustomFFmpeg& s, int level, const std::string& text) {
        DoLog(static_cast<TFFmpeg*>(&s), level, text);
    };
    t.ProgressHandler = [this](TCustomFFmpeg& s, int frame, int fps, int duration, float quality, float bitrate,
                               int64_t size, int total) {
        DoProgress(static_cast<TFFmpeg&>(s), frame, fps, duration, quality, bitrate, size, total);
    };
    t.TerminateHandler = [this](TCustomFFmpeg& s) { DoTerminate(static_cast<TFFmpeg&>(s)); };
    std::lock_guard lock(lock_);
    t.TaskIndex = tasks_.Add(std::move(task));
    return t.TaskIndex;
}

bool TCustomVexcoder::AddOutput(int AIndex, const std::string& AFileName, TOutputOptions* AOptions) {
    TFFmpeg* task;
    {
        std::lock_guard lock(lock_);
        task = tasks_.Item(AIndex);
        if (!task) {
            lastError_ = "List index out of bounds (" + std::to_string(AIndex) + ")";
            return false;
        }
    }
    try {
        if (AOptions) {
            if (AOptions->FileName.empty()) AOptions->FileName = AFileName;
            task->OutputOptions = *AOptions;
            ApplyOutputOptions(*task, *AOptions);
            if (AOptions->CustomHook) {
                task->CustomHookHandler = [this](TCustomFFmpeg& s, TBitmap& bitmap, int frame, int64_t pts,
                                                 bool& update, bool& stop) {
                    DoCustomHook(static_cast<TFFmpeg&>(s), bitmap, frame, pts, update, stop);
                };
            } else if (AOptions->BeforeHook) {
                task->BeforeHookHandler = [this](TCustomFFmpeg& s, int64_t pts, THookAction& action) {
                    DoBeforeHook(static_cast<TFFmpeg&>(s), pts, action);
                };
            } else {
                task->SetHookRanges(ParseHookRanges(AOptions->HookRanges));
            }
        } else {
            InitOutputOptions(task->OutputOptions);
        }
        if (task->OpenOutputFile(AFileName)) return true;
        std::lock_guard lock(lock_);
        lastError_ = task->LastOpenError;
    } catch (const std::exception& e) {
        std::lock_guard lock(lock_);
        lastError_ = e.what();
    }
    return false;
}

void TCustomVexcoder::StartTasks(int AParallelCount) {
    TLogRouting::ClearLineBuffers();
    std::lock_guard lock(lock_);
    nextTaskIndex_ = 0;
    finishedCount_ = 0;
    parallelCount_ = AParallelCount;
    pending_.clear();
    expected_ = 0;
    for (int i = 0; i < tasks_.Count(); ++i) {
        TFFmpeg* task = tasks_.Item(i);
        task->BatchState = TFFmpeg::bsPending;
        pending_.push_back(task);
    }
    pendingCount_ = static_cast<int>(pending_.size());
    batchActive_ = !pending_.empty();
    for (int n = parallelCount_; pendingCount_ > 0;) {
        StartNextTask();
        if (--n <= 0) break;
    }
}

void TCustomVexcoder::StartNextTask() {
    if (pending_.empty()) return;
    TFFmpeg* task = pending_.front();
    pending_.pop_front();
    pendingCount_ = static_cast<int>(pending_.size());
    ++nextTaskIndex_;
    task->BatchState = TFFmpeg::bsStarted;
    ++expected_;
    if (parallelCount_ <= 0 && scheduler_) {
        std::weak_ptr<bool> alive = alive_;
        scheduler_->CallLater(100, [this, alive, task] {
            const auto a = alive.lock();
            if (!a || !*a) return;
            {
                std::lock_guard lock(lock_);
                bool listed = false;
                for (int i = 0; i < tasks_.Count() && !listed; ++i) listed = tasks_.Item(i) == task;
                if (!listed) return;  // removed meanwhile (and taken out of the batch then)
            }
            StartTask(*task);
        });
    } else {
        StartTask(*task);
    }
}

void TCustomVexcoder::StartTask(TFFmpeg& ATask) {
    ATask.ReportInterval = int64_t(progressInterval_) * 1000;
    SetEngineVerbosity(ATask);
    const auto priority = static_cast<TThreadPriority>(ThreadPriority);
    const uint64_t before = terminations_;
    if (parallelCount_ <= 0 && scheduler_) {
        SetThreadOf(ATask, CurrentThreadId());
        ATask.Start(false, priority);  // the whole run, on this thread
    } else {
        SetThreadOf(ATask, 0);
        // A refused start may report its termination right here, and the
        // handler may free the task: touch it again only when a thread came back.
        if (const auto thread = ATask.Start(true, priority)) {
            SetThreadOf(ATask, thread->ThreadID());
            thread->Resume();
            return;
        }
    }
    std::lock_guard lock(lock_);
    if (terminations_ != before) return;  // it reported its own end (and may be gone)
    // Refused without a termination (it ran or ended before): the batch goes on without it.
    ATask.BatchState = TFFmpeg::bsEnded;
    --expected_;
    if (eventDepth_ > 0)
        continueRequested_ = true;
    else
        ContinueBatch();
}

template <typename F>
void TCustomVexcoder::RaiseEvent(F&& handler) {
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    };
    {
        const Depth depth(eventDepth_);
        handler();
    }
    if (eventDepth_ == 0 && continueRequested_) {
        continueRequested_ = false;
        ContinueBatch();
    }
}

void TCustomVexcoder::ContinueBatch() {
    if (!pending_.empty()) {
        StartNextTask();
    } else if (batchActive_ && expected_ <= 0) {
        batchActive_ = false;
        if (OnTerminate) RaiseEvent([&] { OnTerminate(-1, true, false, ""); });
        TLogRouting::ClearLineBuffers();
    }
}

void TCustomVexcoder::LeaveBatch(TFFmpeg& ATask) {
    if (ATask.BatchState == TFFmpeg::bsPending) {
        const auto it = std::find(pending_.begin(), pending_.end(), &ATask);
        if (it != pending_.end())
            pending_.erase(it);
        else
            --expected_;  // stopped before it started: its termination was awaited
        pendingCount_ = static_cast<int>(pending_.size());
    } else if (ATask.BatchState == TFFmpeg::bsStarted) {
        --expected_;  // a freed task reports no termination
    }
    ATask.BatchState = TFFmpeg::bsNone;
}

bool TCustomVexcoder::LockForEvent(std::unique_lock<std::recursive_mutex>& lock, const TFFmpeg* ATask) {
    // Polled rather than blocking, so that a task being freed by the lock's
    // holder gives up its event instead of waiting for it forever.
    while (!lock.try_lock()) {
        if (ATask ? ATask->Abandoned.load() : freeing_.load() > 0) return false;
        std::this_thread::sleep_for(200us);
    }
    if (ATask && ATask->Abandoned) {
        lock.unlock();
        return false;
    }
    return true;
}

void TCustomVexcoder::DoTerminate(TFFmpeg& ATask) {
    std::unique_lock lock(lock_, std::defer_lock);
    if (!LockForEvent(lock, &ATask)) return;
    // The handler may free the task: take what it reports first.
    const int index = ATask.TaskIndex;
    const bool finished = ATask.Finished, failed = ATask.Failed;
    const std::string message = ATask.FailureMessage;
    SetThreadOf(ATask, 0);  // its thread (or the owner's, when synchronous) runs it no longer
    if (ATask.BatchState == TFFmpeg::bsStarted || ATask.BatchState == TFFmpeg::bsPending) --expected_;
    ATask.BatchState = TFFmpeg::bsEnded;  // before the handler, which may free it
    ++terminations_;
    ++finishedCount_;
    continueRequested_ = true;  // after the handler: the next task, or the all-done event
    RaiseEvent([&] {
        if (OnTerminate) OnTerminate(index, finished, failed, message);
    });
}

void TCustomVexcoder::DoLog(TFFmpeg* ATask, int ALevel, const std::string& AText) {
    if (!OnLog) return;
    std::unique_lock lock(lock_, std::defer_lock);
    if (!LockForEvent(lock, ATask)) return;
    RaiseEvent([&] { OnLog(ATask ? ATask->TaskIndex : -1, LogLevelOf(ALevel), AText); });
}

void TCustomVexcoder::DeliverLogLine(pid_t AThreadId, int ALevel, const std::string& ALine) {
    std::unique_lock lock(lock_, std::try_to_lock);
    if (!lock.owns_lock()) {
        // Busy: wait only for a line of one of this component's own tasks; a
        // line of another component's thread is not worth a lock-order cycle.
        {
            std::lock_guard owned(ownedMutex_);
            if (std::find(ownedThreads_.begin(), ownedThreads_.end(), AThreadId) == ownedThreads_.end()) return;
        }
        if (!LockForEvent(lock, nullptr)) return;
    }
    DoLog(tasks_.FindByThreadId(AThreadId), ALevel, ALine);
}

void TCustomVexcoder::SetThreadOf(TFFmpeg& ATask, pid_t AThreadId) {
    std::lock_guard owned(ownedMutex_);
    if (const pid_t old = ATask.ThreadId; old != 0) {
        const auto it = std::find(ownedThreads_.begin(), ownedThreads_.end(), old);
        if (it != ownedThreads_.end()) ownedThreads_.erase(it);
    }
    ATask.ThreadId = AThreadId;
    if (AThreadId != 0) ownedThreads_.push_back(AThreadId);
}

void TCustomVexcoder::DoProgress(TFFmpeg& ATask, int AFrameNumber, int AFPS, int ACurrentDuration, float AQuality,
                                 float ABitRate, int64_t ACurrentSize, int ATotalDuration) {
    if (!OnProgress) return;
    std::unique_lock lock(lock_, std::defer_lock);
    if (!LockForEvent(lock, &ATask)) return;
    RaiseEvent([&] {
        OnProgress(ATask.TaskIndex, AFrameNumber, AFPS, ACurrentDuration, AQuality, ABitRate, ACurrentSize,
                   ATotalDuration);
    });
}

void TCustomVexcoder::DoBeforeHook(TFFmpeg& ATask, int64_t APTS, THookAction& AHookAction) {
    if (OnBeforeHook) OnBeforeHook(ATask.TaskIndex, APTS, AHookAction);
}

void TCustomVexcoder::DoCustomHook(TFFmpeg& ATask, TBitmap& ABitmap, int AFrameNumber, int64_t APTS, bool& AUpdate,
                                   bool& AStopHook) {
    if (OnCustomHook) OnCustomHook(ATask.TaskIndex, ABitmap, AFrameNumber, APTS, AUpdate, AStopHook);
}

void TCustomVexcoder::StopTasks() {
    std::lock_guard lock(lock_);
    // Nothing further starts; a task that was waiting still reports its end
    // (from a short-lived thread), so the batch waits for it.
    expected_ += static_cast<int>(pending_.size());
    pending_.clear();
    pendingCount_ = 0;
    for (int i = 0; i < tasks_.Count(); ++i) tasks_.Item(i)->Stop();
}

void TCustomVexcoder::PauseTasks() {
    std::lock_guard lock(lock_);
    for (int i = 0; i < tasks_.Count(); ++i) tasks_.Item(i)->Pause();
}

void TCustomVexcoder::ResumeTasks() {
    std::lock_guard lock(lock_);
    for (int i = 0; i < tasks_.Count(); ++i) tasks_.Item(i)->Resume();
}

void TCustomVexcoder::FreeTasks(std::vector<std::unique_ptr<TFFmpeg>> tasks) {
    if (tasks.empty()) return;
    ++freeing_;
    for (const auto& task : tasks) task->Abandoned = true;
    tasks.clear();  // each engine stops its run and waits for its thread
    --freeing_;
}

void TCustomVexcoder::DeleteTask(int AIndex) {
    std::unique_ptr<TFFmpeg> task;
    {
        std::lock_guard lock(lock_);
        task = tasks_.Take(AIndex);
        if (task) {
            task->Abandoned = true;  // from now on it raises no event
            LeaveBatch(*task);
            // The next task starts, or the batch ends without it: at once, or
            // after the handler that removed it.
            if (eventDepth_ > 0)
                continueRequested_ = true;
            else
                ContinueBatch();
        }
    }
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    if (task) tasks.push_back(std::move(task));
    FreeTasks(std::move(tasks));
}

void TCustomVexcoder::ClearTasks() {
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    {
        std::lock_guard lock(lock_);
        tasks = tasks_.TakeAll();
        for (const auto& task : tasks) task->Abandoned = true;
        lastError_.clear();
        parallelCount_ = 0;
        // Nothing of the batch is left to wait for. Inside a handler its
        // all-done event follows the handler; from outside, the batch is
        // simply given up.
        pending_.clear();
        pendingCount_ = 0;
        expected_ = 0;
        if (eventDepth_ > 0)
            continueRequested_ = true;
        else
            batchActive_ = false;
    }
    FreeTasks(std::move(tasks));
}

}  // namespace vidmorph
