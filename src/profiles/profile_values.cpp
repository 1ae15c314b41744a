#include "profile_values.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <optional>
#include <utility>

#include "conversions.h"

namespace vidmorph {

namespace {

std::string_view FirstWord(std::string_view AText) { return AText.substr(0, AText.find(' ')); }

using TNameMap = std::pair<std::string_view, std::string_view>;

// Video labels: the first three rows serve every rule, the last two only the
// common one.
constexpr std::array<TNameMap, 5> kVideoEncoders = {{
    {"mpeg4", "mpeg4"},
    {"h264", "libx264"},
    {"xvid", "libxvid"},
    {"wmv2x", "wmv2"},
    {"mpeg4_qt", "mpeg4"},
}};
constexpr std::size_t kVideoEncodersOfEveryRule = 3;

// Audio labels; the first matching row wins and its result is final.
constexpr std::array<TNameMap, 12> kAudioEncoders = {{
    {"aac", "libfaac"},
    {"ac3", "ac3"},
    {"flac", "flac"},
    {"asf", "mp3"},
    {"mp3", "libmp3lame"},
    {"m4a", "mpeg4aac"},
    {"mpeg4aac", "libfaac"},
    {"ra", "ac3"},
    {"wma7x", "wmav2"},
    {"wav", "pcm_s16le"},
    {"mpeg4aac_qt", "libfaac"},
    {"amr_nb", "libamr_nb"},
}};

std::string MapName(std::string_view ALabel, const TNameMap* ABegin, const TNameMap* AEnd) {
    const std::string label = LowerCase(ALabel);
    for (const TNameMap* row = ABegin; row != AEnd; ++row)
        if (row->first == label) return std::string(row->second);
    return label;
}

}  // namespace

std::string LowerCase(std::string_view AText) {
    std::string s(AText);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

int ThousandsOf(std::string_view AText) { return StrToInt(std::string(FirstWord(AText)) + "000"); }

int NumberOf(std::string_view AText) { return StrToInt(FirstWord(AText)); }

std::string GetFrameSize(std::string_view AText) {
    std::string size;
    for (char c : AText.substr(0, AText.find('(')))
        if (c != ' ') size += c;
    return size;
}

std::string FrameRateOf(std::string_view AText) {
    const std::size_t end = AText.find(" fps");
    if (end == std::string_view::npos) return {};
    const std::string_view number = AText.substr(0, end);
    const std::optional<double> rate = TryStrToFloat(number);
    if (!rate || *rate <= 0 || *rate > 1.0e6) return {};

    // A rate 1000/1001 below a whole number is an NTSC rate: 14.985, 23.975, 29.97.
    const double whole = std::round(*rate * 1001.0 / 1000.0);
    if (*rate != std::round(*rate) && std::abs(*rate - whole * 1000.0 / 1001.0) < 0.002)
        return std::to_string(static_cast<int64_t>(whole) * 1000) + "/1001";

    // Otherwise the rate to a thousandth, as a reduced fraction: "15.0" gives 15/1.
    const int64_t num = std::llround(*rate * 1000.0);
    const int64_t g = std::gcd(num, int64_t{1000});
    return std::to_string(num / g) + "/" + std::to_string(1000 / g);
}

std::string VideoEncoderName(std::string_view ALabel, bool AFullTable) {
    const std::size_t rows = AFullTable ? kVideoEncoders.size() : kVideoEncodersOfEveryRule;
    return MapName(ALabel, kVideoEncoders.data(), kVideoEncoders.data() + rows);
}

std::string AudioEncoderName(std::string_view ALabel) {
    return MapName(ALabel, kAudioEncoders.data(), kAudioEncoders.data() + kAudioEncoders.size());
}

}  // namespace vidmorph
