#include "apply_rules.h"

#include <array>

#include "profile_values.h"

namespace vidmorph {

namespace {

constexpr std::array<std::string_view, 11> kAudioOnlyExtensions = {"aac", "ac3", "au",  "mp2", "mp3", "wav",
                                                                   "wma", "ra",  "m4a", "asf", "amr"};

// The frame-rate choice reaches every rule: "Auto" leaves the rate unset.
void SetFrameRate(const TProfileLists& L, TOutputOptions& o) {
    o.FrameRate = FrameRateOf(L.ComboVideoFramerate.Text());
}

}  // namespace

bool IsAudioOnlyExtension(std::string_view AExtension) {
    const std::string ext = LowerCase(AExtension);
    for (std::string_view e : kAudioOnlyExtensions)
        if (e == ext) return true;
    return false;
}

void SetCodec(const TProfileLists& L, TOutputOptions& o) {
    o.VideoCodec = VideoEncoderName(L.ComboVideoCodec.Text(), true);
    o.AudioCodec = AudioEncoderName(L.ComboAudioCodec.Text());
    const std::string size = L.ComboVideoSize.Text();
    if (size != "Original Video Size") o.FrameSize = GetFrameSize(size);
    o.AudioChannels = L.ComboAudioChannels.Text() == "Stereo" ? 2 : 1;
    if (L.OutputExtension == "3GP" || L.OutputExtension == "3G2") o.AudioChannels = 1;
    if (IsAudioOnlyExtension(L.OutputExtension)) o.DisableVideo = true;
    o.VideoBitrate = ThousandsOf(L.ComboVideoBitrate.Text());
    const std::string audioQuality = L.ComboAudioBitrate.Text();
    const bool kbps = audioQuality.find("Kbps") != std::string::npos;
    o.AudioBitrate = kbps ? ThousandsOf(audioQuality) : NumberOf(audioQuality);
    o.AudioSampleRate = NumberOf(L.ComboSamplingRate.Text());
    SetFrameRate(L, o);
}

void SetCodecApple(const TProfileLists& L, TOutputOptions& o) {
    o.VideoCodec = VideoEncoderName(L.ComboVideoCodec.Text(), false);
    o.AudioCodec = "libfaac";
    o.FrameSize = GetFrameSize(L.ComboVideoSize.Text());
    o.VideoBitrate = ThousandsOf(L.ComboVideoBitrate.Text());
    o.AudioBitrate = ThousandsOf(L.ComboAudioBitrate.Text());
    o.AudioSampleRate = NumberOf(L.ComboSamplingRate.Text());
    SetFrameRate(L, o);
}

void SetCodec3GP(const TProfileLists& L, TOutputOptions& o) {
    o.VideoCodec = VideoEncoderName(L.ComboVideoCodec.Text(), false);
    o.AudioCodec = "libamr_nb";
    o.FrameSize = GetFrameSize(L.ComboVideoSize.Text());
    o.VideoBitrate = ThousandsOf(L.ComboVideoBitrate.Text());
    o.AudioBitrate = NumberOf(L.ComboAudioBitrate.Text());
    o.AudioSampleRate = NumberOf(L.ComboSamplingRate.Text());
    o.AudioChannels = 1;
    SetFrameRate(L, o);
}

}  // namespace vidmorph
