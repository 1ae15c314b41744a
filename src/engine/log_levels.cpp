#include "log_levels.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vidmorph {

std::atomic<int> CachedLogLevel{1};

int LibraryLogLevel(int engineLevel) {
    if (engineLevel < 0) return AV_LOG_QUIET;
    switch (engineLevel) {
        case 0: return AV_LOG_ERROR;
        case 1: return AV_LOG_INFO;
        case 2: return AV_LOG_DEBUG;
        default: return AV_LOG_TRACE;
    }
}

int EngineLogLevel(int libraryLevel) {
    if (libraryLevel < AV_LOG_PANIC) return -1;
    if (libraryLevel <= AV_LOG_ERROR) return 0;
    if (libraryLevel <= AV_LOG_INFO) return 1;
    if (libraryLevel <= AV_LOG_DEBUG) return 2;
    return 3;
}

void SetProcessLogLevel(int engineLevel) {
    av_log_set_level(LibraryLogLevel(engineLevel));
    CachedLogLevel.store(engineLevel);
}

}  // namespace vidmorph
