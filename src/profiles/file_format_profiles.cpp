#include "file_format_profiles.h"

namespace vidmorph {

namespace {

const TEntries kNone = {};
const TEntries kMpeg4 = {"MPEG4"};
const TEntries kMpeg4Aac = {"mpeg4aac"};
const TEntries kMp3 = {"mp3"};
const TEntries kPcm = {"pcm_s16le"};
const TEntries kWmav2 = {"wmav2"};

const TListFill kEmptied = {&kNone, {}};

// Selects a default among the entries FillBitrateSizeFrameRate loaded.
constexpr TListFill Select(std::string_view ADefault) { return {nullptr, ADefault}; }

const TProfileFill kMov = {.VideoCodec = TListFill{&kMpeg4, "MPEG4"},
                           .VideoSize = Select("Original Video Size"),
                           .VideoBitrate = Select("1200 Kbps"),
                           .VideoFramerate = Select("Auto"),
                           .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"},
                           .AudioBitrate = Select("128 Kbps"),
                           .SamplingRate = Select("44100 Hz"),
                           .Channels = "Stereo",
                           .OriginalAspect = true};

const TProfileFill kM4a = {.VideoCodec = kEmptied,
                           .VideoSize = kEmptied,
                           .VideoBitrate = kEmptied,
                           .VideoFramerate = kEmptied,
                           .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"},
                           .AudioBitrate = Select("128 Kbps"),
                           .SamplingRate = Select("48000 Hz"),
                           .Channels = "Stereo",
                           .OriginalAspect = true};

// An audio-only profile: one codec, the standard audio qualities, a sampling
// rate list; the video lists emptied.
TProfileFill AudioOnly(const TEntries& ACodec, std::string_view AQuality, const TEntries& ARates,
                       std::string_view ARate) {
    return {.VideoCodec = kEmptied,
            .VideoSize = kEmptied,
            .VideoBitrate = kEmptied,
            .VideoFramerate = kEmptied,
            .AudioCodec = TListFill{&ACodec, ACodec.front()},
            .AudioBitrate = TListFill{&StandardAudioQualities, AQuality},
            .SamplingRate = TListFill{&ARates, ARate},
            .Channels = "Stereo",
            .OriginalAspect = true};
}

}  // namespace

void FillMOV(TProfileLists& L) {
    FillBitrateSizeFrameRate(L);
    ApplyFill(L, kMov);
}

void FillM4A(TProfileLists& L) {
    FillBitrateSizeFrameRate(L);
    ApplyFill(L, kM4a);
}

void FillMP3(TProfileLists& L) { ApplyFill(L, AudioOnly(kMp3, "192 Kbps", StandardSamplingRates, "48000 Hz")); }

void FillWAV(TProfileLists& L) { ApplyFill(L, AudioOnly(kPcm, "128 Kbps", StandardSamplingRatesWide, "44100 Hz")); }

void FillWMA(TProfileLists& L) { ApplyFill(L, AudioOnly(kWmav2, "128 Kbps", StandardSamplingRatesWide, "48000 Hz")); }

}  // namespace vidmorph
