// How the texts of the profile setting lists become option values: bit rates,
// sample rates, frame sizes and rates, and encoder names from codec labels.
// Number conversions raise EConvertError for a text that yields no number.
#pragma once

#include <string>
#include <string_view>

namespace vidmorph {

// The text up to its first blank with "000" appended, as an integer:
// "768 Kbps" gives 768000, an empty text 0.
int ThousandsOf(std::string_view AText);
// The text up to its first blank as an integer: "4750 bps" gives 4750,
// "8000  Hz" gives 8000.
int NumberOf(std::string_view AText);

// Frame size text of a size entry: the part before the first "(", without
// blanks ("320 x 240 (VGA)" gives "320x240", "Auto" stays "Auto").
std::string GetFrameSize(std::string_view AText);

// Frame rate text of a frame-rate entry, in the form the "r" option takes:
// the rate before " fps", with the NTSC family written exactly ("29.97 fps"
// gives "30000/1001", "11 fps" gives "11/1"). "Auto", an empty text or one
// that holds no rate give an empty text: the rate stays unset.
std::string FrameRateOf(std::string_view AText);

// Encoder name of a video codec label (compared in lower case). AFullTable
// also maps "wmv2x" and "mpeg4_qt"; labels not in the table pass in lower case.
std::string VideoEncoderName(std::string_view ALabel, bool AFullTable);
// Encoder name of an audio codec label (compared in lower case); labels not in
// the table pass in lower case.
std::string AudioEncoderName(std::string_view ALabel);

// ASCII lower case.
std::string LowerCase(std::string_view AText);

}  // namespace vidmorph
