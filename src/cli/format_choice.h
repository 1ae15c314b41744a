// Naming a format and picking list entries from the command line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setting_list.h"

namespace vidmorph::cli {

// The short names of the catalogue rows, with their display names.
struct TShortName {
    std::string_view Name;
    std::string_view DisplayName;
};
const std::vector<TShortName>& ShortNames();
std::string_view ShortNameOf(std::string_view ADisplayName);

// Index of the format list entry a FORMAT argument names: its display name,
// its list index (separators refused) or its short name. Empty when none.
std::optional<int> FindFormat(const TSettingList& AFormatList, std::string_view AArgument);

// Index of the list entry a choice names, matched without regard to case and
// blanks; a bare number matches the entry it starts ("768" -> "768 Kbps").
// Empty when none does.
std::optional<int> MatchEntry(const TSettingList& AList, std::string_view AChoice);

}  // namespace vidmorph::cli
