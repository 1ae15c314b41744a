#include "apple_profiles.h"

#include <span>

namespace vidmorph {

namespace {

const TEntries kMpeg4H264 = {"MPEG4", "H264"};
const TEntries kMpeg4 = {"MPEG4"};
const TEntries kMpeg4Aac = {"mpeg4aac"};

// One variant: its single size and its quality defaults.
struct TAppleVariant {
    std::string_view Name;
    TEntries Size;
    std::string_view VideoQuality, AudioQuality;
};

const TAppleVariant kIPod[] = {{"Normal", {"320 x 240"}, "512 Kbps", "64 Kbps"},
                               {"Extra", {"640 x 480"}, "1500 Kbps", "64 Kbps"}};
const TAppleVariant kIPodTouch[] = {{"Normal", {"480 x 320"}, "1200 Kbps", "80 Kbps"},
                                    {"Extra", {"640 x 480"}, "1500 Kbps", "80 Kbps"}};
const TAppleVariant kIPhone[] = {{"480 x 320", {"480 x 320"}, "1200 Kbps", "80 Kbps"},
                                 {"640 x 480", {"640 x 480"}, "1500 Kbps", "128 Kbps"}};

const TAppleVariant* Find(std::span<const TAppleVariant> AVariants, std::string_view AName) {
    for (const TAppleVariant& v : AVariants)
        if (v.Name == AName) return &v;
    return nullptr;
}

// The codec lists of the iPod, iPod touch and iPhone.
const TProfileFill kCodecs = {.VideoCodec = TListFill{&kMpeg4H264, "MPEG4"},
                              .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"}};

// The size, quality, frame rate and sampling rate lists of a variant.
TProfileFill VariantLists(const TAppleVariant& v) {
    return {.VideoSize = TListFill{&v.Size, v.Size.front()},
            .VideoBitrate = TListFill{&AppleVideoQualities, v.VideoQuality},
            .VideoFramerate = TListFill{&StandardFrameRates, "Auto"},
            .AudioBitrate = TListFill{&StandardAudioQualities, v.AudioQuality},
            .SamplingRate = TListFill{&StandardSamplingRates, "44100 Hz"}};
}

void FillVariant(TProfileLists& L, std::span<const TAppleVariant> AVariants, std::string_view AName) {
    ApplyFill(L, kCodecs);
    if (const TAppleVariant* v = Find(AVariants, AName)) ApplyFill(L, VariantLists(*v));
}

}  // namespace

void FillIPod(TProfileLists& L, const std::string& AVariant) { FillVariant(L, kIPod, AVariant); }

void FillIPodTouch(TProfileLists& L, const std::string& AVariant) { FillVariant(L, kIPodTouch, AVariant); }

void FillIPhone(TProfileLists& L, const std::string& ASize) {
    ApplyFill(L, {.Channels = "Stereo", .OriginalAspect = true});
    ApplyFill(L, kCodecs);
    // A size without defaults of its own still becomes the only entry.
    const TAppleVariant* known = Find(kIPhone, ASize);
    const TAppleVariant v = known ? *known : TAppleVariant{ASize, {ASize}, {}, {}};
    ApplyFill(L, VariantLists(v));
}

void FillAppleTV(TProfileLists& L) {
    static const TEntries size = {"640 x 480"};
    ApplyFill(L, {.VideoCodec = TListFill{&kMpeg4, "MPEG4"},
                  .VideoSize = TListFill{&size, "640 x 480"},
                  .VideoBitrate = TListFill{&AppleVideoQualities, "1500 Kbps"},
                  .VideoFramerate = TListFill{&StandardFrameRates, "Auto"},
                  .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"},
                  .AudioBitrate = TListFill{&StandardAudioQualities, "128 Kbps"},
                  .SamplingRate = TListFill{&StandardSamplingRates, "44100 Hz"},
                  .Channels = "Stereo",
                  .OriginalAspect = true});
}

}  // namespace vidmorph
