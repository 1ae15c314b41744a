#include "media_info_text.h"

#include <cstdio>

extern "C" {
#include <libavutil/avutil.h>
}

#include "job_options.h"
#include "media_probe.h"

namespace vidmorph {

std::string FrameRateText(int ANum, int ADen) {
    if (ANum <= 0 || ADen <= 0) return " ";
    // Hundredths, rounded halves to even, in integers (exact for every fraction).
    int64_t hundredths = int64_t{ANum} * 100 / ADen;
    const int64_t twiceRest = 2 * (int64_t{ANum} * 100 % ADen);
    if (twiceRest > ADen || (twiceRest == ADen && hundredths % 2 != 0)) ++hundredths;
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, "%02d", static_cast<int>(hundredths % 100));
    std::string text = std::to_string(hundredths / 100), digits = fraction;
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    return digits.empty() ? text : text + "." + digits;
}

std::string FormatDuration(int64_t ASeconds, const std::string& ASeparator) {
    const int64_t minutes = ASeconds / 60;
    const auto two = [](int64_t v) {
        char text[32];
        std::snprintf(text, sizeof text, "%02lld", static_cast<long long>(v));
        return std::string(text);
    };
    return two(minutes / 60) + ASeparator + two(minutes % 60) + ASeparator + two(ASeconds - 60 * minutes);
}

std::string DurationText(int64_t ADurationUs) {
    if (ADurationUs == AV_NOPTS_VALUE) return "Unknown";
    const std::string text = FormatDuration(ADurationUs / 1000000, ":");
    return text.find('-') == std::string::npos ? text : "Unknown";
}

TMediaInfoTexts MediaInfoTexts(const TAVProbe& AProbe) {
    TMediaInfoTexts t;
    TProbeVideoInfo video;
    if (AProbe.VideoStreamCount > 0) {
        AProbe.ReadDefaultVideoInfo(video);
        t.Width = video.Width;
        t.Height = video.Height;
        t.VideoSize = VideoSizeText(video.Width, video.Height);
        t.FrameRate = FrameRateText(video.FrameRateNum, video.FrameRateDen);
    } else {
        t.VideoSize = t.FrameRate = " ";
    }
    TProbeFileInfo info;
    AProbe.ReadFileInfo(info);
    t.Duration = DurationText(info.Duration);
    return t;
}

}  // namespace vidmorph
