// Converting files from the command line: each file goes through job
// submission as the desktop app does, one component task per file, up to
// `Jobs` files at once.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "vector_profile_lists.h"
#include "vexcoder.h"

namespace vidmorph::cli {

struct TConvertSettings {
    std::vector<std::string> Files;
    std::string OutputFolder;
    bool Overwrite = false;
    int VolumePosition = 5;
    std::vector<std::string> ExtraOptions;  // engine option lines
    int Jobs = 1;
    TLogLevel LogLevel = llError;
    bool Verbose = false;   // library and engine log lines to the error stream
    bool LiveLines = false;  // a live line per running file (terminals only)
};

struct TConvertResult {
    int Done = 0, Failed = 0, Aborted = 0;
    bool Interrupted = false;
};

// Set by the interrupt handler: running files stop, nothing further starts.
extern std::atomic<bool> InterruptRequested;

TConvertResult ConvertFiles(const TVectorProfileLists& ALists, const TConvertSettings& ASettings, std::ostream& out,
                            std::ostream& err);

}  // namespace vidmorph::cli
