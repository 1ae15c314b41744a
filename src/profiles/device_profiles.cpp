#include "device_profiles.h"

namespace vidmorph {

namespace {

const TEntries kMpeg4Aac = {"mpeg4aac"};

const TEntries kPspCodecs = {"MPEG4", "H264", "XVID"};
const TEntries kPspSizes = {"160 x 112", "320 x 240", "368 x 208", "480 x 272"};
const TEntries kPspVideoQualities = {"768 Kbps"};
const TEntries kPspFrameRates = {"14.985 fps", "29.97 fps"};
const TEntries kPspAudioQualities = {"32 Kbps", "48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "160 Kbps"};
const TEntries kPspSamplingRates = {"24000 Hz"};

const TEntries kH264 = {"H264"};
const TEntries kPs3Sizes = {"640 x 480", "720 x 480", "720 x 576"};
const TEntries kPs3VideoQualities = {"1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps", "3000 Kbps"};
const TEntries kNtscRate = {"29.97 fps"};

const TEntries kZuneMp4Codecs = {"MPEG4", "H264"};
const TEntries kZuneWmvCodecs = {"WMV2"};
const TEntries kZuneSizes = {"320 x 240 ", "640 x 480"};  // the first with a trailing blank
const TEntries kZuneVideoQualities = {"256 Kbps", "512 Kbps", "768 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps"};
const TEntries kWmav2 = {"wmav2"};

const TEntries kMpeg4 = {"MPEG4"};
const TEntries kArchosSizes = {"Auto", "160 x 120", "320 x 240", "480 x 272", "720 x 480", "640 x 480"};
const TEntries kAv700VideoQualities = {"1000 Kbps", "1200 Kbps", "1500 Kbps", "2000 Kbps", "2500 Kbps"};
const TEntries kArchosAudioCodecs = {"mp3", "mp2"};

const TEntries kPhoneCodecs = {"MPEG4", "H263", "H264"};
const TEntries kPhoneSizes = {"128 x 96 (SQCIF)", "160 x 120 (QVGA)", "176 x 144 (QCIF)", "208 x 176",
                              "220 x 176",        "320 x 240 (VGA)",  "352 x 288 (CIF)"};
const TEntries kPhoneVideoQualities = {"48 Kbps", "64 Kbps", "96 Kbps", "128 Kbps", "256 Kbps", "512 Kbps"};
const TEntries kPhoneFrameRates = {"Auto", "11 fps", "14.985 fps", "15 fps"};
const TEntries kPhoneAudioCodecs = {"amr_nb", "mpeg4aac"};
const TEntries kPhoneSamplingRates = {"8000  bps", "16000 bps"};  // two blanks in the first

const TProfileFill kPsp = {.VideoCodec = TListFill{&kPspCodecs, "MPEG4"},
                           .VideoSize = TListFill{&kPspSizes, "368 x 208"},
                           .VideoBitrate = TListFill{&kPspVideoQualities, "768 Kbps"},
                           .VideoFramerate = TListFill{&kPspFrameRates, "29.97 fps"},
                           .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"},
                           .AudioBitrate = TListFill{&kPspAudioQualities, "64 Kbps"},
                           .SamplingRate = TListFill{&kPspSamplingRates, "24000 Hz"},
                           .Channels = "Stereo",
                           .OriginalAspect = true};

const TProfileFill kPs3 = {.VideoCodec = TListFill{&kH264, "H264"},
                           .VideoSize = TListFill{&kPs3Sizes, "720 x 480"},
                           .VideoBitrate = TListFill{&kPs3VideoQualities, "1200 Kbps"},
                           .VideoFramerate = TListFill{&kNtscRate, "29.97 fps"},
                           .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"},
                           .AudioBitrate = TListFill{&StandardAudioQualities, "96 Kbps"},
                           .SamplingRate = TListFill{&StandardSamplingRatesWide, "44100 Hz"},
                           .Channels = "Stereo",
                           .OriginalAspect = true};

const TProfileFill kZuneMp4 = {.VideoCodec = TListFill{&kZuneMp4Codecs, "MPEG4"},
                               .VideoSize = TListFill{&kZuneSizes, "320 x 240 "},
                               .VideoBitrate = TListFill{&kZuneVideoQualities, "1500 Kbps"},
                               .VideoFramerate = TListFill{&kNtscRate, "29.97 fps"},
                               .AudioCodec = TListFill{&kMpeg4Aac, "mpeg4aac"},
                               .AudioBitrate = TListFill{&StandardAudioQualities, "128 Kbps"},
                               .SamplingRate = TListFill{&StandardSamplingRatesWide, "44100 Hz"},
                               .Channels = "Stereo",
                               .OriginalAspect = true};

const TProfileFill kZuneWmv = {.VideoCodec = TListFill{&kZuneWmvCodecs, "WMV2"},
                               .VideoSize = TListFill{&kZuneSizes, "320 x 240 "},
                               .VideoBitrate = TListFill{&kZuneVideoQualities, "1200 Kbps"},
                               .VideoFramerate = TListFill{&StandardFrameRates, "Auto"},
                               .AudioCodec = TListFill{&kWmav2, "wmav2"},
                               .AudioBitrate = TListFill{&StandardAudioQualities, "128 Kbps"},
                               .SamplingRate = TListFill{&StandardSamplingRatesWide, "48000 Hz"},
                               .Channels = "Stereo",
                               .OriginalAspect = true};

// AV500/GMini402; the other variants change the size default and, for the
// AV700, the qualities.
const TProfileFill kArchos = {.VideoCodec = TListFill{&kMpeg4, "MPEG4"},
                              .VideoSize = TListFill{&kArchosSizes, "480 x 272"},
                              .VideoBitrate = TListFill{&StandardVideoQualities, "1200 Kbps"},
                              .VideoFramerate = TListFill{&StandardFrameRates, "Auto"},
                              .AudioCodec = TListFill{&kArchosAudioCodecs, "mp3"},
                              .AudioBitrate = TListFill{&StandardAudioQualities, "128 Kbps"},
                              .SamplingRate = TListFill{&StandardSamplingRates, "48000 Hz"}};

const TProfileFill kPhone = {.VideoCodec = TListFill{&kPhoneCodecs, "MPEG4"},
                             .VideoSize = TListFill{&kPhoneSizes, "176 x 144 (QCIF)"},
                             .VideoBitrate = TListFill{&kPhoneVideoQualities, "128 Kbps"},
                             .VideoFramerate = TListFill{&kPhoneFrameRates, "Auto"},
                             .AudioCodec = TListFill{&kPhoneAudioCodecs, "amr_nb"},
                             .AudioBitrate = TListFill{&AmrAudioQualities, "7400 bps"},
                             .SamplingRate = TListFill{&kPhoneSamplingRates, "8000  bps"},
                             .Channels = "Mono"};

}  // namespace

void FillPSP(TProfileLists& L) { ApplyFill(L, kPsp); }

void FillPS3(TProfileLists& L) { ApplyFill(L, kPs3); }

void FillZuneMP4(TProfileLists& L) { ApplyFill(L, kZuneMp4); }

void FillZuneWMV(TProfileLists& L) { ApplyFill(L, kZuneWmv); }

void FillArchos(TProfileLists& L, TArchosVariant AVariant) {
    TProfileFill fill = kArchos;
    switch (AVariant) {
        case arAV500: break;
        case arAV700:
            fill.VideoSize->Default = "720 x 480";
            fill.VideoBitrate = TListFill{&kAv700VideoQualities, "2000 Kbps"};
            break;
        case arZenIRiver: fill.VideoSize->Default = "640 x 480"; break;
    }
    ApplyFill(L, fill);
}

void Fill3GP(TProfileLists& L) { ApplyFill(L, kPhone); }

}  // namespace vidmorph
