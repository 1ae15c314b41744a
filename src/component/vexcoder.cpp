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
    pendingCount_ = tasks_.Count();
    for (int n = parallelCount_; pendingCount_ > 0;) {
        StartNextTask();
        if (--n <= 0) break;
    }
}

void TCustomVexcoder::StartNextTask() {
    if (pendingCount_ <= 0) return;
    --pendingCount_;
    const int index = nextTaskIndex_++;
    if (parallelCount_ <= 0 && scheduler_) {
        std::weak_ptr<bool> alive = alive_;
        scheduler_->CallLater(100, [this, alive, index] {
            if (const auto a = alive.lock(); a && *a) StartTask(index);
        });
    } else {
        StartTask(index);
    }
}

void TCustomVexcoder::StartTask(int AIndex) {
    TFFmpeg* task;
    {
        std::lock_guard lock(lock_);
        task = tasks_.Item(AIndex);
    }
    if (!task) return;
    task->ReportInterval = int64_t(progressInterval_) * 1000;
    SetEngineVerbosity(*task);
    const auto priority = static_cast<TThreadPriority>(ThreadPriority);
    if (parallelCount_ <= 0 && scheduler_) {
        SetThreadOf(*task, CurrentThreadId());
        task->Start(false, priority);  // the whole run, on this thread
        return;
    }
    SetThreadOf(*task, 0);
    // A refused start may report its termination right here, and the handler
    // may free the task: touch it again only when a thread came back.
    if (const auto thread = task->Start(true, priority)) {
        SetThreadOf(*task, thread->ThreadID());
        thread->Resume();
    }
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
    if (OnTerminate) OnTerminate(index, finished, failed, message);
    ++finishedCount_;
    if (pendingCount_ > 0) {
        StartNextTask();
    } else if (finishedCount_ >= tasks_.Count()) {
        if (OnTerminate) OnTerminate(-1, true, false, "");
        TLogRouting::ClearLineBuffers();
    }
}

void TCustomVexcoder::DoLog(TFFmpeg* ATask, int ALevel, const std::string& AText) {
    if (!OnLog) return;
    std::unique_lock lock(lock_, std::defer_lock);
    if (!LockForEvent(lock, ATask)) return;
    OnLog(ATask ? ATask->TaskIndex : -1, LogLevelOf(ALevel), AText);
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
    OnProgress(ATask.TaskIndex, AFrameNumber, AFPS, ACurrentDuration, AQuality, ABitRate, ACurrentSize,
               ATotalDuration);
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
        lastError_.clear();
        parallelCount_ = 0;
    }
    FreeTasks(std::move(tasks));
}

}  // namespace vidmorph
