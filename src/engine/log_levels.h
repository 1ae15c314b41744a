// The engine's log level scale and its mapping onto FFmpeg's levels.
//
// Engine scale: -1 quiet (also the level of the message of a failure that ended
// a run), 0 error, 1 information, 2 debug, 3 everything. FFmpeg's scale:
// AV_LOG_QUIET, ERROR, INFO, DEBUG, TRACE. Both mappings keep the order.
#pragma once

#include <atomic>

namespace vidmorph {

// FFmpeg level for an engine level (below -1 counts as quiet, above 3 as everything).
int LibraryLogLevel(int engineLevel);
// Engine level for an FFmpeg level: panic/fatal/error -> 0, warning/info -> 1,
// verbose/debug -> 2, trace -> 3, quiet -> -1.
int EngineLogLevel(int libraryLevel);

// The process-wide threshold of library log lines, on the engine scale: a
// line of a level above it is dropped by the log routing. Shared by all
// engines and components; the last writer wins.
extern std::atomic<int> CachedLogLevel;

// Sets FFmpeg's process-wide log level from an engine level and makes the
// threshold that level.
void SetProcessLogLevel(int engineLevel);

}  // namespace vidmorph
