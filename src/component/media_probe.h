// TAVProbe: opens a media file and answers what the file list shows: the
// container's duration, bit rate and metadata, and a video stream's size and
// frame rate. Keeps at most one file open. Used on the GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "av_holders.h"

namespace vidmorph {

struct TProbeFileInfo {
    int64_t StartTime;  // us
    int64_t Duration;   // us; AV_NOPTS_VALUE when the container does not say
    int BitRate;
    int64_t Timestamp;  // Unix seconds of the recording, 0 when none
    std::array<char, 512> Title, Author, Copyright, Comment, Album;
    int Year, Track;
    std::array<char, 32> Genre;
};

struct TProbeVideoInfo {
    std::array<char, 4> Language;
    std::array<char, 32> CodecName;
    int64_t StartTime, StartTimeUs, Duration, DurationUs;
    int BitRate, Height, Width;
    float DisplayAspect;
    int PixelFormat;
    int FrameRateNum, FrameRateDen;
};

class TAVProbe {
public:
    TAVProbe();
    ~TAVProbe();
    TAVProbe(const TAVProbe&) = delete;
    TAVProbe& operator=(const TAVProbe&) = delete;

    // False with LastError set; raises Exception when the libraries are not bound.
    bool OpenFile(const std::string& AFileName, const std::string& AFormatName);
    void CloseFile();
    void ReadFileInfo(TProbeFileInfo& AInfo) const;
    // AIndex < 0: the first video stream.
    void ReadVideoInfo(int AIndex, TProbeVideoInfo& AInfo) const;
    void ReadDefaultVideoInfo(TProbeVideoInfo& AInfo) const { ReadVideoInfo(-1, AInfo); }
    // Raises Exception naming the first library that is not loaded.
    static void CheckLibraries();

    const AVFormatContext* FormatContext() const { return formatContext_.get(); }
    std::string LastError;
    std::string FormatName;
    int StreamCount = -1;
    int ProgramCount = -1;
    int AudioStreamCount = -1;
    int VideoStreamCount = -1;
    int SubtitleStreamCount = -1;
    int FirstAudioStream = -1;
    int FirstVideoStream = -1;
    int FirstSubtitleStream = -1;

private:
    void CountStreams();
    InputFormatPtr formatContext_;
};

}  // namespace vidmorph
