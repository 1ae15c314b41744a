// The part of job submission both front ends share: the output file name and
// the task's output options for one input file, from the selected output
// format, the profile lists, the volume slider and the source's frame size.
// No component calls: the caller hands the result to the component.
#pragma once

#include <string>
#include <string_view>

#include "option_records.h"
#include "profile_lists.h"

namespace vidmorph {

// One file to submit and the settings that hold for it.
struct TJobRequest {
    std::string InputFile{};   // the file list row's caption (trimmed here)
    std::string OutputFolder{};  // the output folder text (trimmed here)
    bool Overwrite = false;    // "Overwrite Existing File With The Same Name"
    int VolumePosition = 5;    // volume slider, 0 (top) to 10 (bottom)
    // Frame size of the source's first video stream; 0 when it has none.
    int SourceWidth = 0;
    int SourceHeight = 0;
};

// Resets AOptions and fills it through ApplyProfile, with the volume, the
// aspect ratio, the size "Auto" resolved and FileName set to the output file
// name, which it returns. Raises what ApplyProfile raises.
std::string FillJobOutputOptions(const TProfileLists& ALists, const TJobRequest& AJob, TOutputOptions& AOptions);

// The output file: the input's name with the extension of the selected row
// (AExtension, any case) in the output folder; with AOverwrite the plain
// name unless that names the input file itself, else UniqueOutputName.
std::string JobOutputPath(const std::string& AInputFile, const std::string& AOutputFolder,
                          std::string_view AExtension, bool AOverwrite);

// APath without its last extension, followed by AExt (with its dot), when no
// such file exists; else the first of Base-1, Base-2, ... with AExt that does
// not exist.
std::string UniqueOutputName(const std::string& APath, const std::string& AExt);

// The "Video Size" text of a source: "640x480", or a single blank when it has
// no video.
std::string VideoSizeText(int AWidth, int AHeight);

// The aspect ratio option of the hidden aspect list's index: "4:3" at 1,
// "16:9" at 2, otherwise width / height of AVideoSize rounded to four
// decimals ("1.3333", "1.7778", "2"); an empty size counts as 640x480, one
// that does not read as two positive numbers gives "1.3333".
std::string AspectRatioOf(int AAspectIndex, std::string_view AVideoSize);

// The audio gain and the label of a volume slider position (0 to 10).
int VolumeValue(int APosition);
std::string VolumeLabel(int APosition);

// The frame size the size "Auto" stands for: the source's own when it fits
// within 720 x 480, else scaled down to fit with its aspect kept; even
// dimensions either way. Empty (size unset) for a source without video.
std::string AutoFrameSize(int AWidth, int AHeight);

}  // namespace vidmorph
