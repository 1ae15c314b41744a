// Fill routines of the iPod, iPod touch, iPhone and Apple TV profiles.
#pragma once

#include <string>

#include "profile_lists.h"

namespace vidmorph {

// AVariant: "Normal" (320 x 240) or "Extra" (640 x 480). Another text fills
// only the two codec lists.
void FillIPod(TProfileLists& ALists, const std::string& AVariant);
// AVariant: "Normal" (480 x 320) or "Extra" (640 x 480).
void FillIPodTouch(TProfileLists& ALists, const std::string& AVariant);
// ASize: the size list's only entry, "480 x 320" or "640 x 480"; the quality
// defaults follow it.
void FillIPhone(TProfileLists& ALists, const std::string& ASize);
void FillAppleTV(TProfileLists& ALists);

}  // namespace vidmorph
