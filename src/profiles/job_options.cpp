#include "job_options.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "conversions.h"
#include "output_format.h"
#include "profile_values.h"

namespace vidmorph {

namespace {

struct TVolumeStep {
    const char* Label;
    int Value;
};
// Slider positions top to bottom; 100% is 255, 0% is 1.
constexpr std::array<TVolumeStep, 11> kVolumeSteps = {{{"200%", 600},
                                                       {"180%", 450},
                                                       {"160%", 400},
                                                       {"140%", 350},
                                                       {"120%", 300},
                                                       {"100%", 255},
                                                       {"80%", 200},
                                                       {"60%", 150},
                                                       {"40%", 100},
                                                       {"20%", 50},
                                                       {"0%", 1}}};

const TVolumeStep& VolumeStep(int APosition) {
    return kVolumeSteps[static_cast<std::size_t>(std::clamp(APosition, 0, 10))];
}

// Position of the extension's dot in the file-name part, npos when none.
std::size_t ExtensionDot(const std::string& APath) {
    const std::size_t slash = APath.rfind('/');
    const std::size_t dot = APath.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : std::string::npos;
}

std::string WithoutExtension(const std::string& APath) { return APath.substr(0, ExtensionDot(APath)); }

// Any entry of that name counts: a folder named like the output is not written over either.
bool Exists(const std::string& APath) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(APath, ec));
}

// Nearest even number, at least 2 and at most ALimit (which is even).
int Even(double AValue, int ALimit) {
    return std::clamp(2 * static_cast<int>(std::lround(AValue / 2.0)), 2, ALimit);
}

}  // namespace

std::string UniqueOutputName(const std::string& APath, const std::string& AExt) {
    const std::string base = WithoutExtension(APath);
    if (!Exists(base + AExt)) return base + AExt;
    for (int n = 1;; ++n) {
        const std::string name = base + "-" + std::to_string(n) + AExt;
        if (!Exists(name)) return name;
    }
}

std::string JobOutputPath(const std::string& AInputFile, const std::string& AOutputFolder,
                          std::string_view AExtension, bool AOverwrite) {
    const std::string ext = "." + LowerCase(AExtension);
    const std::string input = Trim(AInputFile);
    std::string folder = Trim(AOutputFolder);
    if (folder.empty() || folder.back() != '/') folder += '/';
    const std::size_t slash = input.rfind('/');
    const std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
    if (AOverwrite) {
        // Overwriting never means writing over the file being read.
        const std::string plain = WithoutExtension(folder + name) + ext;
        std::error_code ec;
        if (!std::filesystem::equivalent(plain, input, ec)) return plain;
    }
    return UniqueOutputName(folder + name, ext);
}

std::string VideoSizeText(int AWidth, int AHeight) {
    if (AWidth <= 0 || AHeight <= 0) return " ";
    return std::to_string(AWidth) + "x" + std::to_string(AHeight);
}

std::string AspectRatioOf(int AAspectIndex, std::string_view AVideoSize) {
    if (AAspectIndex == 1) return "4:3";
    if (AAspectIndex == 2) return "16:9";
    std::string size;
    for (char c : AVideoSize)
        if (c != ' ') size += c;
    if (size.empty()) size = "640x480";
    const std::size_t x = size.find('x');
    const std::optional<int32_t> w = TryStrToInt(size.substr(0, x));
    const std::optional<int32_t> h = x == std::string::npos ? std::nullopt : TryStrToInt(size.substr(x + 1));
    if (!w || !h || *w <= 0 || *h <= 0) return "1.3333";

    // W / H in ten-thousandths, halves to even.
    const int64_t scaled = int64_t{*w} * 10000;
    int64_t q = scaled / *h;
    const int64_t twice = 2 * (scaled % *h);
    if (twice > *h || (twice == *h && q % 2 != 0)) ++q;

    std::string text = std::to_string(q / 10000);
    std::string fraction = std::to_string(10000 + q % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

int VolumeValue(int APosition) { return VolumeStep(APosition).Value; }

std::string VolumeLabel(int APosition) { return VolumeStep(APosition).Label; }

std::string AutoFrameSize(int AWidth, int AHeight) {
    constexpr int kMaxWidth = 720, kMaxHeight = 480;
    if (AWidth <= 0 || AHeight <= 0) return {};
    double w = AWidth, h = AHeight;
    if (AWidth > kMaxWidth || AHeight > kMaxHeight) {
        const double scale = std::min(double{kMaxWidth} / AWidth, double{kMaxHeight} / AHeight);
        w *= scale;
        h *= scale;
    } else {
        // Odd sizes lose their last column or row.
        w = AWidth & ~1;
        h = AHeight & ~1;
    }
    return std::to_string(Even(w, kMaxWidth)) + "x" + std::to_string(Even(h, kMaxHeight));
}

std::string FillJobOutputOptions(const TProfileLists& L, const TJobRequest& AJob, TOutputOptions& o) {
    const std::string output = JobOutputPath(AJob.InputFile, AJob.OutputFolder, L.OutputExtension, AJob.Overwrite);
    InitOutputOptions(o);
    ApplyProfile(L, o);
    o.AudioVolume = VolumeValue(AJob.VolumePosition);
    o.AspectRatio = AspectRatioOf(L.ComboAspectRatio.ItemIndex(), VideoSizeText(AJob.SourceWidth, AJob.SourceHeight));
    if (o.FrameSize == "Auto") o.FrameSize = AutoFrameSize(AJob.SourceWidth, AJob.SourceHeight);
    o.FileName = output;
    return output;
}

}  // namespace vidmorph
