#include "media_info_text.h"

#include <cmath>
#include <cstdio>

extern "C" {
#include <libavutil/avutil.h>
}

#include "job_options.h"
#include "media_probe.h"

namespace vidmorph {

std::string FrameRateText(int ANum, int ADen) {
    if (ANum <= 0 || ADen <= 0) return " ";
    const double hundredths = std::nearbyint(double(ANum) / ADen * 100.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", hundredths / 100.0);
    std::string s(text);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
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
