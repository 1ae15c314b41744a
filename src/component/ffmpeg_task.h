// TFFmpeg: one conversion task of the component: an engine with the task's
// place in the list, the thread that runs it and copies of its two records.
#pragma once

#include <sys/types.h>

#include <atomic>

#include "engine.h"
#include "option_records.h"

namespace vidmorph {

class TFFmpeg : public TCustomFFmpeg {
public:
    TFFmpeg() {
        InitInputOptions(InputOptions);
        InitOutputOptions(OutputOptions);
    }
    ~TFFmpeg() override { AbortAndWait(); }

    int TaskIndex = -1;                // position in the task list; -1 until added
    std::atomic<pid_t> ThreadId{0};    // OS id of the thread that runs it; 0 until started
    TInputOptions InputOptions;
    TOutputOptions OutputOptions;
    // Set when the component is about to free the task: its pending events
    // may then be dropped instead of waiting for a busy component lock.
    std::atomic<bool> Abandoned{false};
    // Its place in the component's current batch (kept under the component's
    // lock): not in it, waiting to start, started (its termination is
    // expected), or ended.
    enum TBatchState { bsNone, bsPending, bsStarted, bsEnded } BatchState = bsNone;
};

}  // namespace vidmorph
