// The main window's output format list and profile setting lists, the state
// the selection keeps beside them, the standard entry lists the profiles share,
// and the fill convention every fill routine follows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setting_list.h"

namespace vidmorph {

// The lists and selection state of the main window as the profiles see them.
// The lists are owned by the window (or the command line); this only refers
// to them.
struct TProfileLists {
    TSettingList& ComboOutputFormat;
    TSettingList& ComboVideoBitrate;
    TSettingList& ComboVideoCodec;
    TSettingList& ComboVideoSize;
    TSettingList& ComboVideoFramerate;
    TSettingList& ComboAudioBitrate;
    TSettingList& ComboAudioCodec;
    TSettingList& ComboAudioChannels;
    TSettingList& ComboSamplingRate;
    // Hidden: mirrors the Additional Options' aspect ratio choice.
    TSettingList& ComboAspectRatio;

    // Upper-case extension of the catalogue row selected last; empty before
    // the first selection.
    std::string OutputExtension{};
    // Format list index of the last selected entry that is not a separator.
    int PreviousFormatIndex = 0;
    // Entries the format list shows when dropped down (25 when the window is
    // created; the selection procedure and the drop-down set it afterwards).
    int DropDownCount = 25;
};

using TEntries = std::vector<std::string_view>;

// The standard lists of the profiles, entries in order.
extern const TEntries StandardSizes;             // 23, from "Original Video Size"
extern const TEntries StandardVideoQualities;    // 13, "192 Kbps" to "2500 Kbps"
extern const TEntries StandardFrameRates;        // 7, from "Auto"
extern const TEntries StandardAudioQualities;    // 13, "32 Kbps" to "320 Kbps"
extern const TEntries StandardSamplingRates;     // 8, "8000 Hz" to "96000 Hz"
extern const TEntries StandardSamplingRatesWide; // the same with "8000  Hz" first
extern const TEntries AppleVideoQualities;       // 5, "512 Kbps" to "2500 Kbps"
extern const TEntries AmrAudioQualities;         // 8, "4750 bps" to "12200 bps"

// What a fill routine does to one list.
struct TListFill {
    // The entries the list gets (an empty list empties it); nullptr keeps the
    // entries the list already holds and only selects the default.
    const TEntries* Items;
    // The entry selected; one that is not among the entries selects nothing.
    std::string_view Default;
};

// What a fill routine does to all lists; a list without a fill keeps its
// entries and selection.
struct TProfileFill {
    std::optional<TListFill> VideoCodec{}, VideoSize{}, VideoBitrate{}, VideoFramerate{};
    std::optional<TListFill> AudioCodec{}, AudioBitrate{}, SamplingRate{};
    std::string_view Channels{};  // "Stereo", "Mono", or empty to keep the selection
    bool OriginalAspect = false;  // selects "Original" in the hidden aspect list
};

// Empties a list, adds the entries in order and selects the default.
void FillList(TSettingList& AList, const TEntries& AItems, std::string_view ADefault);
void ApplyFill(TProfileLists& ALists, const TProfileFill& AFill);

// Loads the standard sizes, video qualities, frame rates, audio qualities and
// sampling rates into their five lists and selects nothing.
void FillBitrateSizeFrameRate(TProfileLists& ALists);

// The entries no profile changes: "Stereo", "Mono" in the channel list and
// "Original", "4:3", "16:9" in the hidden aspect list, the first of each
// selected, as the window starts.
void FillFixedLists(TProfileLists& ALists);

}  // namespace vidmorph
