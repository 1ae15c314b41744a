// Worker threads of the engine, created suspended like the threads of the
// original design: the OS thread exists (with its id and priority) at once and
// waits at a start gate until Resume. Later Suspend/Resume pairs pause the body
// at the points where it calls CheckSuspended. The object stays alive while its
// body runs and frees itself afterwards (shared ownership with the body).
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vidmorph {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Per-thread nice value for a priority (19, 10, 5, 0; higher ones stay at 0,
// which needs no privileges).
int NiceValueOf(TThreadPriority priority);

// The operating system's id of the calling thread.
pid_t CurrentThreadId();

class TThread : public std::enable_shared_from_this<TThread> {
public:
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // First call starts the body; later calls release a suspended body.
    void Resume();
    // Asks the body to wait at its next CheckSuspended. No effect before the
    // first Resume or after the body ended.
    void Suspend();
    // Not yet started, or paused by Suspend.
    bool Suspended() const;
    // Called by the body: waits while suspended.
    void CheckSuspended();
    // The body has returned (or will never run).
    bool Finished() const;
    // Blocks until the body has returned. Never call it from the body itself.
    void WaitFor();
    pid_t ThreadID() const { return threadId_; }
    bool IsCurrentThread() const { return CurrentThreadId() == threadId_; }
    // Message of an exception that escaped the body, empty if none.
    std::string FatalException() const;

protected:
    TThread() = default;
    // Starts the OS thread held at the start gate. Called by the factories of
    // the subclasses once the object is complete.
    static void CreateSuspended(const std::shared_ptr<TThread>& thread, TThreadPriority priority);
    virtual void Execute() = 0;

private:
    struct Gate;
    std::shared_ptr<Gate> gate_;
    pid_t threadId_ = 0;
};

}  // namespace vidmorph
