// The file list's media columns of a file: what the probe finds, as the
// "Video Size", "Frame Rate" and "Duration" texts. No Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "media_info_text.h"  // FormatDuration, DurationText, FrameRateText

namespace vidmorph {

class TAVProbe;

struct TMediaColumns {
    std::string VideoSize;  // "640x480", or a single blank without video
    std::string FrameRate;  // "29.97", or a single blank without video
    std::string Duration;   // "01:02:05", or "Unknown"
};

// Opens AFileName with AProbe (format detected) and reads the three
// columns; nullopt when the probe cannot open it. Leaves the probe closed.
// Raises what the probe raises (libraries not bound).
std::optional<TMediaColumns> ProbeColumns(TAVProbe& AProbe, const std::string& AFileName);

}  // namespace vidmorph
