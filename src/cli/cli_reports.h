// What vidmorph-cli prints about formats and files (text or JSON).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "vector_profile_lists.h"

namespace vidmorph::cli {

void ListFormats(const TVectorProfileLists& ALists, bool AJson, std::ostream& out);
// The lists of the format the format list shows, with their selections.
void ShowFormat(const TVectorProfileLists& ALists, bool AJson, std::ostream& out);
// Returns false when a file could not be probed (its report says "Error").
bool ProbeFiles(const std::vector<std::string>& AFiles, bool AJson, std::ostream& out);

}  // namespace vidmorph::cli
