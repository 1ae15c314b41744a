// The engine's settings: the values that option keywords set, in their
// declaration order, with their defaults. Input opening and output creation
// consume them; some are reset after each file so that a keyword can be given
// again for the next one.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "av_holders.h"

namespace vidmorph {

inline constexpr int MAX_FILES = 20;
inline constexpr int MAX_STREAMS = 20;
inline constexpr int MAX_STREAM_MAPS = 20;
inline constexpr int MAX_META_DATA_MAPS = 20;
// Media kinds of the default codec contexts, in FFmpeg's numbering.
inline constexpr int CODEC_KIND_COUNT = 5;  // video, audio, data, subtitle, attachment

struct TStreamMap {
    int FileIndex = 0;
    int StreamIndex = 0;
    int SyncFileIndex = 0;
    int SyncStreamIndex = 0;
    bool operator==(const TStreamMap&) const = default;
};

struct TMetadataMap {
    int OutputFileIndex = 0;
    int InputFileIndex = 0;
    bool operator==(const TMetadataMap&) const = default;
};

// Frame limit slots of MaxFrames.
enum TFrameKind { fkVideo = 0, fkAudio = 1, fkData = 2, fkSubtitle = 3 };

using TQuantMatrix = AvMemory<uint16_t>;  // 64 coefficients, library allocation

struct TFFmpegSettings {
    std::array<InputFormatPtr, MAX_FILES> InputFiles{};
    std::array<int64_t, MAX_FILES> InputFileTsOffsets{};
    std::array<std::array<double, MAX_STREAMS>, MAX_FILES> InputFileTsScales{};
    int InputFileCount = 0;
    std::array<OutputFormatPtr, MAX_FILES> OutputFiles{};
    int OutputFileCount = 0;
    std::array<TStreamMap, MAX_STREAM_MAPS> StreamMaps{};
    int StreamMapCount = 0;
    std::array<TMetadataMap, MAX_META_DATA_MAPS> MetadataMaps{};
    int MetadataMapCount = 0;
    const AVInputFormat* ForcedInputFormat = nullptr;
    const AVOutputFormat* ForcedOutputFormat = nullptr;
    int FrameWidth = 0;
    int FrameHeight = 0;
    float FrameAspectRatio = 0.0f;
    int FramePixelFormat = -1;
    int PadTop = 0, PadBottom = 0, PadLeft = 0, PadRight = 0;
    std::array<int, 3> PadColor{16, 128, 128};  // Y, U, V
    int CropTop = 0, CropBottom = 0, CropLeft = 0, CropRight = 0;
    std::array<int, 4> MaxFrames{std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                                 std::numeric_limits<int>::max(), std::numeric_limits<int>::max()};
    AVRational FrameRate{0, 0};
    float VideoQScale = 0.0f;
    TQuantMatrix IntraMatrix;
    TQuantMatrix InterMatrix;
    TLibText RcOverride;
    int VideoDisable = 0;
    int VideoDiscard = 0;
    TLibText VideoCodecName;
    int VideoCodecTag = 0;
    int SameQuality = 0;
    int Deinterlace = 0;
    int TopFieldFirst = -1;
    int MeThreshold = 0;
    int IntraDcPrecision = 8;
    int LoopInput = 0;
    int LoopOutput = -1;
    int QpHistogram = 0;
    int IntraOnly = 0;
    int AudioSampleRate = 44100;
    float AudioQScale = -99999.0f;
    int AudioDisable = 0;
    int AudioChannels = 2;
    TLibText AudioCodecName;
    int AudioCodecTag = 0;
    std::string AudioLanguage;
    int SubtitleDisable = 0;
    TLibText SubtitleCodecName;
    std::string SubtitleLanguage;
    float MuxPreload = 0.5f;
    float MuxMaxDelay = 0.7f;
    int64_t RecordingTime = std::numeric_limits<int64_t>::max();
    int64_t StartTime = 0;
    int64_t RecordTimestamp = 0;
    int64_t InputTsOffset = 0;
    std::string Title, Author, Copyright, Comment, Genre, Album;
    int Year = 0;
    int Track = 0;
    int HexDump = 0;
    int PacketDump = 0;
    int Psnr = 0;
    int PassNumber = 0;
    std::string PassLogFileName;
    int AudioStreamCopy = 0, VideoStreamCopy = 0, SubtitleStreamCopy = 0;
    int VideoSyncMethod = -1;
    int AudioSyncMethod = 0;
    float AudioDriftThreshold = 0.1f;
    bool CopyTimestamps = false;
    int Shortest = 0;
    int VideoGlobalHeader = 0;
    TLibText VstatsFileName;
    int ProgramID = 0;
    int RateEmulation = 0;
    int VideoChannel = 0;
    TLibText VideoStandard;
    int AudioVolume = 256;
    bool UsingVhook = false;
    int Verbosity = 1;
    int ThreadCount = 1;
    int InputSync = 0;
    uint64_t LimitFileSize = 0;
    int PgmyuvCompatibility = 0;
    float DtsDeltaThreshold = 10.0f;
    int SwsFlags = SWS_BICUBIC;
    std::vector<std::string> GenericOptionNames;
    // Options only some muxers or encoders have (name, value); each reaches
    // the muxers and encoders that know it when they are opened.
    std::vector<std::pair<std::string, std::string>> PrivateOptions;
    std::array<CodecContextPtr, CODEC_KIND_COUNT> CodecDefaults{};
    FormatContextPtr FormatDefaults;
    ScalerPtr ScalerDefaults;
};

}  // namespace vidmorph
