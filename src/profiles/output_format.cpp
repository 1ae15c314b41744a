#include "output_format.h"

#include <algorithm>

#include "apple_profiles.h"
#include "apply_rules.h"
#include "conversions.h"
#include "device_profiles.h"
#include "file_format_profiles.h"

namespace vidmorph {

const std::array<TheAVCodec, 23> TheAVCodecs = {{
    {"3GP - Mobile Video Format (*.3gp)", "3GP", 0},
    {"3G2 - Mobile Video Format (*.3g2)", "3G2", 1},
    {"iPod (*.mp4)", "MP4", 3},
    {"iPod Extra (640 x 480) (*.mp4)", "MP4", 4},
    {"iPod Video For TV (*.mp4)", "MP4", 6},
    {"Apple TV (*.mp4)", "MP4", 10},
    {"iPod Touch (*.mp4)", "MP4", 13},
    {"iPod Touch Extra (640 x 480) (*.mp4)", "MP4", 14},
    {"iPhone (*.mp4)", "MP4", 18},
    {"iPhone Extra (640 x 480) (*.mp4)", "MP4", 19},
    {"MOV - QuickTime Video (*.mov)", "MOV", 26},
    {"M4A - Mpeg4 Audio File (*.m4a)", "M4A", 40},
    {"MP3 - Mpeg Layer3 Audio (*.mp3)", "MP3", 41},
    {"WAV - Waveform Audio (*.wav)", "WAV", 44},
    {"WMA - Windows Media Audio (*.wma)", "WMA", 45},
    {"Zune Mpeg4 Video (*.mp4)", "MP4", 49},
    {"Zune WMV Windows Media Video (*.wmv)", "WMV", 50},
    {"PSP Video (*.mp4)", "MP4", 53},
    {"PS3 Video (*.mp4)", "MP4", 58},
    {"Archos AV500/GMini402 (*.avi)", "AVI", 63},
    {"Archos AV700 (*.avi)", "AVI", 64},
    {"Creative Zen Vision (*.avi)", "AVI", 65},
    {"iRiver PMP100 (*.avi)", "AVI", 66},
}};

const std::string FormatListSeparator = std::string(14, ' ') + std::string(41, '-');

namespace {

// The fill routine and apply rule of each profile number.
struct TProfileRoutines {
    int32_t Profile;
    void (*Fill)(TProfileLists&);
    void (*Apply)(const TProfileLists&, TOutputOptions&);
};

constexpr std::array<TProfileRoutines, 23> kRoutines = {{
    {0, Fill3GP, SetCodec3GP},
    {1, Fill3GP, SetCodec3GP},
    {3, [](TProfileLists& L) { FillIPod(L, "Normal"); }, SetCodecApple},
    {4, [](TProfileLists& L) { FillIPod(L, "Extra"); }, SetCodecApple},
    {6, [](TProfileLists& L) { FillIPod(L, "Extra"); }, SetCodecApple},
    {10, FillAppleTV, SetCodecApple},
    {13, [](TProfileLists& L) { FillIPodTouch(L, "Normal"); }, SetCodecApple},
    {14, [](TProfileLists& L) { FillIPodTouch(L, "Extra"); }, SetCodecApple},
    {18, [](TProfileLists& L) { FillIPhone(L, "480 x 320"); }, SetCodec},
    {19, [](TProfileLists& L) { FillIPhone(L, "640 x 480"); }, SetCodec},
    {26, FillMOV, SetCodec},
    {40, FillM4A, SetCodec},
    {41, FillMP3, SetCodec},
    {44, FillWAV, SetCodec},
    {45, FillWMA, SetCodec},
    {49, FillZuneMP4, SetCodec},
    {50, FillZuneWMV, SetCodec},
    {53, FillPSP, SetCodec},
    {58, FillPS3, SetCodec},
    {63, [](TProfileLists& L) { FillArchos(L, arAV500); }, SetCodec},
    {64, [](TProfileLists& L) { FillArchos(L, arAV700); }, SetCodec},
    {65, [](TProfileLists& L) { FillArchos(L, arZenIRiver); }, SetCodec},
    {66, [](TProfileLists& L) { FillArchos(L, arZenIRiver); }, SetCodec},
}};

// The routines of the row the format list shows, nullptr when it shows none.
const TProfileRoutines* RoutinesOf(const TheAVCodec* ARow) {
    if (!ARow) return nullptr;
    for (const TProfileRoutines& r : kRoutines)
        if (r.Profile == ARow->Profile) return &r;
    return nullptr;
}

// The format list, top to bottom, by profile number; -1 is a separator.
constexpr std::array<int32_t, FormatListCount> kFormatList = {3,  4,  -1, 13, 14, -1, 18, 19, -1, 40, 41, 44, 45, -1,
                                                              0,  1,  10, 63, 64, 65, 6,  66, 26, 58, 53, 49, 50};

}  // namespace

const TheAVCodec* FindAVCodec(std::string_view AText) {
    for (const TheAVCodec& row : TheAVCodecs)
        if (row.DisplayName == AText) return &row;
    return nullptr;
}

void FillComboOutputFormat(TProfileLists& L) {
    L.ComboOutputFormat.Clear();
    for (int32_t profile : kFormatList) {
        const auto row = std::find_if(TheAVCodecs.begin(), TheAVCodecs.end(),
                                      [&](const TheAVCodec& r) { return r.Profile == profile; });
        L.ComboOutputFormat.Add(row == TheAVCodecs.end() ? FormatListSeparator : std::string(row->DisplayName));
    }
    L.ComboOutputFormat.SetItemIndex(0);
}

void FillProfileLists(TProfileLists& L) {
    const TheAVCodec* row = FindAVCodec(L.ComboOutputFormat.Text());
    const TProfileRoutines* routines = RoutinesOf(row);
    if (!routines) return;
    L.OutputExtension = std::string(row->Extension);
    routines->Fill(L);
}

void ApplyProfile(const TProfileLists& L, TOutputOptions& AOptions) {
    if (const TProfileRoutines* routines = RoutinesOf(FindAVCodec(L.ComboOutputFormat.Text())))
        routines->Apply(L, AOptions);
}

bool ComboOutputFormatChange(TProfileLists& L, int ADropDownItems) {
    if (L.ComboOutputFormat.Text().find(std::string(14, ' ') + "----") != std::string::npos) {
        L.ComboOutputFormat.SetItemIndex(L.PreviousFormatIndex);
        return false;
    }
    FillProfileLists(L);
    L.DropDownCount = ADropDownItems;
    L.PreviousFormatIndex = L.ComboOutputFormat.ItemIndex();
    return true;
}

void ComboOutputFormatDropDown(TProfileLists& L, int ADropDownItems) { L.DropDownCount = ADropDownItems; }

int DropDownItemsOf(std::string_view AFieldText) {
    constexpr int kMin = 26, kMax = 47;
    return std::clamp(TryStrToInt(Trim(AFieldText)).value_or(kMin), kMin, kMax);
}

}  // namespace vidmorph
