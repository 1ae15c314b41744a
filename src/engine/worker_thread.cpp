#include "worker_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <exception>
#include <future>

namespace vidmorph {

// State shared by the object and its OS thread; outlives both.
struct TThread::Gate {
    mutable std::mutex m;
    std::condition_variable cv;
    bool started = false;    // Resume was called once
    bool suspended = false;  // paused after start
    bool cancelled = false;  // the object died before it was started
    bool finished = false;
    std::shared_ptr<TThread> keepAlive;  // handed to the body on the first Resume
    std::string fatal;
};

int NiceValueOf(TThreadPriority priority) {
    switch (priority) {
        case tpIdle: return 19;
        case tpLowest: return 10;
        case tpLower: return 5;
        default: return 0;
    }
}

pid_t CurrentThreadId() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

TThread::~TThread() {
    if (!gate_) return;
    std::lock_guard lock(gate_->m);
    if (!gate_->started) {
        gate_->cancelled = true;
        gate_->cv.notify_all();
    }
}

void TThread::CreateSuspended(const std::shared_ptr<TThread>& thread, TThreadPriority priority) {
    thread->gate_ = std::make_shared<Gate>();
    std::promise<pid_t> idPromise;
    std::future<pid_t> id = idPromise.get_future();
    std::thread([gate = thread->gate_, priority, idPromise = std::move(idPromise)]() mutable {
        const pid_t tid = CurrentThreadId();
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceValueOf(priority));
        idPromise.set_value(tid);
        std::shared_ptr<TThread> self;
        {
            std::unique_lock lock(gate->m);
            gate->cv.wait(lock, [&] { return gate->started || gate->cancelled; });
            if (gate->cancelled) {
                gate->finished = true;
                gate->cv.notify_all();
                return;
            }
            self = std::move(gate->keepAlive);
        }
        std::string fatal;
        try {
            self->Execute();
        } catch (const std::exception& e) {
            fatal = e.what();
        } catch (...) {
            fatal = "unknown exception";
        }
        {
            std::lock_guard lock(gate->m);
            gate->fatal = std::move(fatal);
            gate->finished = true;
            gate->cv.notify_all();
        }
        // `self` goes here: a thread object nobody else holds frees itself.
    }).detach();
    thread->threadId_ = id.get();
}

void TThread::Resume() {
    std::lock_guard lock(gate_->m);
    if (!gate_->started) {
        gate_->started = true;
        // The body owns the object from now on; Execute may drop every other reference.
        gate_->keepAlive = shared_from_this();
        gate_->cv.notify_all();
        return;
    }
    gate_->suspended = false;
    gate_->cv.notify_all();
}

void TThread::Suspend() {
    std::lock_guard lock(gate_->m);
    if (gate_->started && !gate_->finished) gate_->suspended = true;
}

bool TThread::Suspended() const {
    std::lock_guard lock(gate_->m);
    return !gate_->started || gate_->suspended;
}

void TThread::CheckSuspended() {
    std::unique_lock lock(gate_->m);
    gate_->cv.wait(lock, [&] { return !gate_->suspended; });
}

bool TThread::Finished() const {
    std::lock_guard lock(gate_->m);
    return gate_->finished || gate_->cancelled;
}

void TThread::WaitFor() {
    std::unique_lock lock(gate_->m);
    gate_->cv.wait(lock, [&] { return gate_->finished || gate_->cancelled; });
}

std::string TThread::FatalException() const {
    std::lock_guard lock(gate_->m);
    return gate_->fatal;
}

}  // namespace vidmorph
