// The output format catalogue, the format list that offers it, and the
// selection that loads a row's profile into the setting lists and applies it
// to a task's output options.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "option_records.h"
#include "profile_lists.h"

namespace vidmorph {

// One catalogue row.
struct TheAVCodec {
    std::string_view DisplayName;  // the format list entry that selects the row; unique
    std::string_view Extension;    // upper case, without the dot ("MP4")
    int32_t Profile;               // selects the row's fill routine and apply rule
};

// The 23 rows, in the order of their profile numbers.
extern const std::array<TheAVCodec, 23> TheAVCodecs;

// The row whose DisplayName equals AText exactly (no trimming), nullptr when
// none does.
const TheAVCodec* FindAVCodec(std::string_view AText);

// The format list's separator entry: fourteen blanks and 41 hyphens.
extern const std::string FormatListSeparator;
// Number of entries of the format list.
inline constexpr int FormatListCount = 27;

// Empties the format list, adds its 27 entries (rows grouped by separators)
// and selects entry 0.
void FillComboOutputFormat(TProfileLists& ALists);

// Runs the fill routine of the row the format list shows and records its
// extension; a text that matches no row changes nothing.
void FillProfileLists(TProfileLists& ALists);

// Runs the apply rule of the row the format list shows on AOptions (which the
// caller has reset); a text that matches no row leaves AOptions as it is.
// Raises EConvertError when a quality or sampling rate text yields no number.
void ApplyProfile(const TProfileLists& ALists, TOutputOptions& AOptions);

// The selection procedure, run when an entry is picked, when the window is
// first shown and when the drop-down count changes. A separator puts the
// selection back on PreviousFormatIndex and changes nothing else (false).
// Otherwise the row's lists are filled, DropDownCount becomes ADropDownItems,
// PreviousFormatIndex the current index, and the result is true: the caller
// then shows OutputExtension in every file list row's "Output" column.
bool ComboOutputFormatChange(TProfileLists& ALists, int ADropDownItems);

// Just before the format list drops down: DropDownCount := ADropDownItems.
void ComboOutputFormatDropDown(TProfileLists& ALists, int ADropDownItems);

// The "Drop Down Items in Output Format List" value of a number field text:
// 26 to 47, a text that is not a number reading as 26.
int DropDownItemsOf(std::string_view AFieldText);

}  // namespace vidmorph
