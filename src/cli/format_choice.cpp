#include "format_choice.h"

#include <cctype>

#include "conversions.h"
#include "output_format.h"

namespace vidmorph::cli {

namespace {

std::string Normalized(std::string_view text) {
    std::string s;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsNumber(std::string_view text) {
    bool digit = false;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            digit = true;
        else if (c != '.')
            return false;
    }
    return digit;
}

}  // namespace

const std::vector<TShortName>& ShortNames() {
    static const std::vector<TShortName> names = {
        {"3gp", "3GP - Mobile Video Format (*.3gp)"},
        {"3g2", "3G2 - Mobile Video Format (*.3g2)"},
        {"ipod", "iPod (*.mp4)"},
        {"ipod-extra", "iPod Extra (640 x 480) (*.mp4)"},
        {"ipod-tv", "iPod Video For TV (*.mp4)"},
        {"appletv", "Apple TV (*.mp4)"},
        {"ipod-touch", "iPod Touch (*.mp4)"},
        {"ipod-touch-extra", "iPod Touch Extra (640 x 480) (*.mp4)"},
        {"iphone", "iPhone (*.mp4)"},
        {"iphone-extra", "iPhone Extra (640 x 480) (*.mp4)"},
        {"mov", "MOV - QuickTime Video (*.mov)"},
        {"m4a", "M4A - Mpeg4 Audio File (*.m4a)"},
        {"mp3", "MP3 - Mpeg Layer3 Audio (*.mp3)"},
        {"wav", "WAV - Waveform Audio (*.wav)"},
        {"wma", "WMA - Windows Media Audio (*.wma)"},
        {"zune-mp4", "Zune Mpeg4 Video (*.mp4)"},
        {"zune-wmv", "Zune WMV Windows Media Video (*.wmv)"},
        {"psp", "PSP Video (*.mp4)"},
        {"ps3", "PS3 Video (*.mp4)"},
        {"archos-av500", "Archos AV500/GMini402 (*.avi)"},
        {"archos-av700", "Archos AV700 (*.avi)"},
        {"zen-vision", "Creative Zen Vision (*.avi)"},
        {"iriver-pmp100", "iRiver PMP100 (*.avi)"},
    };
    return names;
}

std::string_view ShortNameOf(std::string_view ADisplayName) {
    for (const TShortName& s : ShortNames())
        if (s.DisplayName == ADisplayName) return s.Name;
    return {};
}

std::optional<int> FindFormat(const TSettingList& AFormatList, std::string_view AArgument) {
    std::string_view display = AArgument;
    for (const TShortName& s : ShortNames())
        if (s.Name == AArgument) display = s.DisplayName;
    if (const int index = IndexOfText(AFormatList, display); index >= 0 && FindAVCodec(display)) return index;
    if (const auto index = TryStrToInt(AArgument);
        index && *index >= 0 && *index < AFormatList.Count() && FindAVCodec(AFormatList.Item(*index)))
        return *index;
    return std::nullopt;
}

std::optional<int> MatchEntry(const TSettingList& AList, std::string_view AChoice) {
    const std::string choice = Normalized(AChoice);
    if (choice.empty()) return std::nullopt;
    for (int i = 0; i < AList.Count(); ++i)
        if (Normalized(AList.Item(i)) == choice) return i;
    // A number names the entry it starts ("768" -> "768 Kbps"); any text
    // names an entry it starts before a bracket ("320x240" -> "320 x 240 (VGA)").
    const bool number = IsNumber(choice);
    for (int i = 0; i < AList.Count(); ++i) {
        const std::string entry = Normalized(AList.Item(i));
        if (entry.size() <= choice.size() || entry.compare(0, choice.size(), choice) != 0) continue;
        const char next = entry[choice.size()];
        if (next == '(' || next == '[' || (number && !std::isdigit(static_cast<unsigned char>(next)) && next != '.'))
            return i;
    }
    return std::nullopt;
}

}  // namespace vidmorph::cli
