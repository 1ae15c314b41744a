// The two records that describe a conversion task: its input and its output,
// and their translation into engine settings, in a fixed order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"

namespace vidmorph {

using TMetaText = std::array<char, 512>;   // NUL-padded
using TGenreText = std::array<char, 32>;   // NUL-padded

struct TInputOptions {
    std::string FileName;
    std::string ForceFormat;
    int StartTime;  // ms; used when > 0
    int ProgramID;  // used when >= 0
    std::string ExtraOptions;
};

struct TOutputOptions {
    std::string FileName;
    std::string ForceFormat;
    int PacketSize;
    int MuxRate;
    float MuxDelay;    // s
    float MuxPreload;  // s
    std::string AudioCodec;
    bool DisableAudio;
    int AudioVolume;
    int AudioChannels;
    int AudioSampleRate;
    int AudioBitrate;
    int AudioBitrateTolerance;
    std::string AudioLanguage;
    int AudioSyncMethod;
    std::string AudioTag;
    std::string VideoCodec;
    bool DisableVideo;
    std::string FrameRate;
    std::string FrameSize;
    std::string AspectRatio;
    int CropTop, CropBottom, CropLeft, CropRight;
    int PadTop, PadBottom, PadLeft, PadRight;
    int32_t PadColor;  // red in the lowest byte; negative: a system colour by its index
    int GopSize;
    int VideoBitrate;
    int VideoMaxRate;
    int VideoMinRate;
    int VideoBitrateTolerance;
    int VideoBufferSize;
    int VideoSyncMethod;
    std::string VideoTag;
    bool DisableSubtitle;
    std::string SubtitleLanguage;
    bool CopyTimestamps;
    int RecordingTime;  // ms; used when > 0
    double Timestamp;   // days since 30 December 1899, local time; 0 now, < 0 none
    int Year;
    int Track;
    TMetaText Title, Author, Copyright, Comment, Album;
    TGenreText Genre;
    int Target;        // 0 none, 1 VCD, 2 SVCD, 3 DVD
    int TargetNorm;    // 0 automatic, 1 PAL, 2 NTSC
    int FallbackNorm;  // 1 PAL, else NTSC
    bool CustomHook;
    bool BeforeHook;
    std::string HookRanges;
    std::string ExtraOptions;
};

void InitInputOptions(TInputOptions& AOptions);
void InitOutputOptions(TOutputOptions& AOptions);

// Text of a NUL-padded array: up to its first NUL or its full length.
template <std::size_t N>
std::string MetaText(const std::array<char, N>& a) {
    std::size_t n = 0;
    while (n < N && a[n]) ++n;
    return std::string(a.data(), n);
}
// Fills a NUL-padded array with a text (cut to its length).
template <std::size_t N>
void SetMetaText(std::array<char, N>& a, const std::string& text) {
    a.fill('\0');
    text.copy(a.data(), N);
}

// One keyword=value pair per line to ApplyOption; stops at the first line
// whose handler raises (the exception propagates).
void ApplyOptionText(TCustomFFmpeg& AEngine, const std::string& AText);
// The input record, before the input is opened.
void ApplyInputOptions(TCustomFFmpeg& AEngine, const TInputOptions& AOptions);
// The output record, then its target preset, before the output is created.
void ApplyOutputOptions(TCustomFFmpeg& AEngine, const TOutputOptions& AOptions);

// Unix seconds of a date-time in days since 30 December 1899, local time,
// with the zone's standard bias (halves to even).
int64_t TimestampToUnix(double ADateTime);
// RGB value (red in the lowest byte) of a colour, resolving system colours.
int32_t ColorToRGB(int32_t AColor);
// "start-end, ..." in milliseconds to microsecond ranges; pieces whose end is
// before their start or negative are dropped.
std::vector<THookRange> ParseHookRanges(const std::string& AText);

}  // namespace vidmorph
