// The texts the file list shows for a probed file, shared by the desktop app
// and the command line.
#pragma once

#include <cstdint>
#include <string>

namespace vidmorph {

class TAVProbe;

// "25" for 25/1, "29.97" for 30000/1001, "23.98" for 24000/1001 (the rate
// rounded to hundredths, halves to even, shortest text); " " without a rate.
std::string FrameRateText(int ANum, int ADen);

// Whole seconds as hours, minutes and seconds with at least two digits each,
// joined by ASeparator: 3725 -> "01:02:05", 400000 -> "111:06:40".
std::string FormatDuration(int64_t ASeconds, const std::string& ASeparator);

// The "Duration" text of a container duration in microseconds (the fraction
// of a second dropped); "Unknown" without one or for a negative one.
std::string DurationText(int64_t ADurationUs);

// The three column texts of an open probe: "Video Size", "Frame Rate", "Duration".
struct TMediaInfoTexts {
    std::string VideoSize, FrameRate, Duration;
    int Width = 0, Height = 0;  // of the first video stream, 0 without one
};
TMediaInfoTexts MediaInfoTexts(const TAVProbe& AProbe);

}  // namespace vidmorph
