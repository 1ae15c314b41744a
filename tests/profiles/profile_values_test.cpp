// The value rules: numbers, frame sizes and frame rates from list texts.
#include <gtest/gtest.h>

#include "exceptions.h"
#include "profile_values.h"

namespace vidmorph {
namespace {

TEST(ProfileValues, NumbersAreTheTextBeforeTheFirstBlank) {
    const struct {
        const char* text;
        int thousands, number;
    } cases[] = {
        {"768 Kbps", 768000, 768},  {"2500 Kbps", 2500000, 2500}, {"2500  Kbps", 2500000, 2500},
        {"4750 bps", 4750000, 4750}, {"8000  Hz", 8000000, 8000},  {"16000 bps", 16000000, 16000},
        {"44100 Hz", 44100000, 44100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ThousandsOf(c.text), c.thousands) << c.text;
        EXPECT_EQ(NumberOf(c.text), c.number) << c.text;
    }
    EXPECT_EQ(ThousandsOf(""), 0);  // an empty video quality list
    for (const char* bad : {"", "Auto", "768Kbps", " 768 Kbps"}) EXPECT_THROW(NumberOf(bad), EConvertError) << bad;
}

TEST(ProfileValues, FrameSizeIsTheTextBeforeTheBracketWithoutBlanks) {
    const struct {
        const char* text;
        const char* size;
    } cases[] = {
        {"320 x 240 (VGA)", "320x240"}, {"720 x 406", "720x406"}, {"320 x 240 ", "320x240"},
        {"704 x 576 (4CIF)", "704x576"}, {"Auto", "Auto"},       {"", ""},
        {"(x) 1 x 2", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(GetFrameSize(c.text), c.size) << '"' << c.text << '"';
}

TEST(ProfileValues, FrameRateTextsGiveExactRates) {
    const struct {
        const char* text;
        const char* rate;
    } cases[] = {
        {"Auto", ""},
        {"", ""},
        {"14.985 fps", "15000/1001"},
        {"23.975 fps", "24000/1001"},
        {"29.97 fps", "30000/1001"},
        {"29.97 fps [NTSC]", "30000/1001"},
        {"15.0 fps", "15/1"},
        {"15 fps", "15/1"},
        {"25.0 fps", "25/1"},
        {"30.0 fps", "30/1"},
        {"11 fps", "11/1"},
        {"12.5 fps", "25/2"},
        {"fast fps", ""},
        {"0 fps", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FrameRateOf(c.text), c.rate) << '"' << c.text << '"';
}

}  // namespace
}  // namespace vidmorph
