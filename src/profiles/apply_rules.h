// The apply rules: turn the profile lists' current texts into a task's output
// options. Each writes only its own fields; every other field keeps what the
// caller set. Every rule also passes the frame-rate choice on (FrameRateOf:
// "Auto" leaves FrameRate unset). The number conversions raise EConvertError for a quality or
// sampling rate text that yields no number.
#pragma once

#include <string_view>

#include "option_records.h"
#include "profile_lists.h"

namespace vidmorph {

// The common rule: codecs by the full label tables, the size (unless
// "Original Video Size"), channels (always 1 for "3GP" and "3G2"), the rates,
// and DisableVideo for audio-only extensions.
void SetCodec(const TProfileLists& ALists, TOutputOptions& AOptions);
// iPod, iPod touch and Apple TV: the audio encoder is always "libfaac" and the
// audio quality always in Kbps; channels are left as they are.
void SetCodecApple(const TProfileLists& ALists, TOutputOptions& AOptions);
// 3GP and 3G2: the audio encoder is always "libamr_nb", the audio quality in
// bits per second, one channel.
void SetCodec3GP(const TProfileLists& ALists, TOutputOptions& AOptions);

// True for the extensions (any case) whose files carry no video.
bool IsAudioOnlyExtension(std::string_view AExtension);

}  // namespace vidmorph
