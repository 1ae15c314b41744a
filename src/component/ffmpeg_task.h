// TFFmpeg: the per-task engine of the conversion component.
#pragma once

#include <sys/types.h>

#include "engine.h"

namespace vidmorph {

class TFFmpeg : public TCustomFFmpeg {
public:
    ~TFFmpeg() override { AbortAndWait(); }

    int TaskIndex = -1;  // position in the task list; -1 until added
    pid_t ThreadId = 0;  // OS id of the thread that runs it; 0 until started
};

}  // namespace vidmorph
