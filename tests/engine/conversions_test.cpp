#include "conversions.h"

#include <gtest/gtest.h>

#include "exceptions.h"

namespace vidmorph {
namespace {

TEST(StrToInt, ReadsDecimalAndBothHexPrefixes) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},           {"42", 42},   {"-7", -7},   {"+7", 7},          {"$FF", 255},
        {"0x10", 16},       {"0XfF", 255}, {"-$10", -16}, {"$FFFFFFFF", -1}, {"  12", 12},
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
}

TEST(StrToInt, RejectsWhatIsNotAWholeNumberWithThePlatformMessage) {
    for (const char* text : {"", "abc", "12 ", "1.5", "0x", "$", "2147483648", "-2147483649", "12a", "$1FFFFFFFF"}) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid integer value");
        }
    }
}

TEST(StrToInt64, ReadsBeyondThirtyTwoBits) {
    EXPECT_EQ(StrToInt64("5000000000"), 5000000000LL);
    EXPECT_EQ(StrToInt64("$100000000"), 0x100000000LL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(StrToFloat, ReadsDecimalsAndExponents) {
    EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat(" -0.25 "), -0.25);
    EXPECT_DOUBLE_EQ(StrToFloat("3"), 3.0);
    EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("1e3"), 1000.0);
    for (const char* text : {"", "wide", "inf", "nan", "1e", "1.5x", "--1"}) {
        try {
            StrToFloat(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

TEST(CStrToL, ReadsLikeStrtolWithBaseZero) {
    const std::string text = "0x1.2:010";
    std::size_t pos = 0;
    EXPECT_EQ(CStrToL(text, pos), 1);
    EXPECT_EQ(pos, 3u);
    pos = 4;
    EXPECT_EQ(CStrToL(text, pos), 2);
    pos = 6;
    EXPECT_EQ(CStrToL(text, pos), 8);  // leading zero: octal
    EXPECT_EQ(pos, text.size());
    pos = text.size();
    EXPECT_EQ(CStrToL(text, pos), 0);  // nothing left
}

TEST(Trim, RemovesBlanksAndControlCharacters) {
    EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" \n "), "");
}

}  // namespace
}  // namespace vidmorph
