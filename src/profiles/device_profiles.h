// Fill routines of the PSP, PS3, Zune, Archos, Creative Zen, iRiver and
// mobile phone (3GP, 3G2) profiles.
#pragma once

#include "profile_lists.h"

namespace vidmorph {

// The Archos-family lists: the AV500/GMini402 ones, or those with the AV700's
// qualities and size, or with the Zen Vision's and PMP100's size.
enum TArchosVariant { arAV500, arAV700, arZenIRiver };

void FillPSP(TProfileLists& ALists);
void FillPS3(TProfileLists& ALists);
void FillZuneMP4(TProfileLists& ALists);
void FillZuneWMV(TProfileLists& ALists);
// Leaves the channel and aspect selections as they are.
void FillArchos(TProfileLists& ALists, TArchosVariant AVariant);
// The 3GP and 3G2 lists; selects "Mono" and leaves the aspect selection.
void Fill3GP(TProfileLists& ALists);

}  // namespace vidmorph
