// Fill routines of the file format profiles: QuickTime MOV video and the
// audio files M4A, MP3, WAV and WMA.
#pragma once

#include "profile_lists.h"

namespace vidmorph {

void FillMOV(TProfileLists& ALists);
// The audio profiles empty the four video lists.
void FillM4A(TProfileLists& ALists);
void FillMP3(TProfileLists& ALists);
void FillWAV(TProfileLists& ALists);
void FillWMA(TProfileLists& ALists);

}  // namespace vidmorph
