#include "platform/machine/text_file.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace schlingo::platform {
namespace {

TEST(NumberItem, EmptyAndWordsReadAsZero) {
    EXPECT_EQ(integerFromItem(""), 0);
    EXPECT_EQ(integerFromItem("abc"), 0);
    EXPECT_EQ(integerFromItem("Rechner"), 0); // the e makes it a float without digits
    EXPECT_EQ(integerFromItem("-"), 0);
    EXPECT_EQ(integerFromItem("+"), 0);
    EXPECT_EQ(integerFromItem("."), 0);
    EXPECT_EQ(integerFromItem("&"), 0);
    EXPECT_EQ(integerFromItem(" 12"), 0); // no leading digits
}

TEST(NumberItem, DecimalWithSignStopsAtTheFirstNonDigit) {
    EXPECT_EQ(integerFromItem("12"), 12);
    EXPECT_EQ(integerFromItem("-5"), -5);
    EXPECT_EQ(integerFromItem("+7"), 7);
    EXPECT_EQ(integerFromItem("12abc"), 12);
    EXPECT_EQ(integerFromItem("12&.5"), 12); // the point after the ampersand does not count
    EXPECT_EQ(integerFromItem("007"), 7);
    EXPECT_EQ(integerFromItem(std::string(60, '0') + "9"), 9);
}

TEST(NumberItem, DecimalWrapsInto32BitsAndOverflowGivesMinusOne) {
    EXPECT_EQ(integerFromItem("2147483647"), 2147483647);
    EXPECT_EQ(integerFromItem("2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(integerFromItem("3000000000"), -1294967296);
    EXPECT_EQ(integerFromItem("4294967295"), -1);
    EXPECT_EQ(integerFromItem("-4294967295"), 1);
    EXPECT_EQ(integerFromItem("4294967296"), -1);
    EXPECT_EQ(integerFromItem("-4294967296"), -1);
    EXPECT_EQ(integerFromItem(std::string(67, '9')), -1);
}

TEST(NumberItem, AmpersandPrefixesChooseTheBase) {
    EXPECT_EQ(integerFromItem("&HFF"), 255);
    EXPECT_EQ(integerFromItem("&hff"), 255);
    EXPECT_EQ(integerFromItem("&H1g"), 1);
    EXPECT_EQ(integerFromItem("&H1Z"), 1); // no digit just below the small letters
    EXPECT_EQ(integerFromItem("&H"), 0);
    EXPECT_EQ(integerFromItem("&HFFFFFFFF"), -1);
    EXPECT_EQ(integerFromItem("&H100000005"), 5); // wraps at 32 bits
    EXPECT_EQ(integerFromItem("&O17"), 15);
    EXPECT_EQ(integerFromItem("&o8"), 0);
    EXPECT_EQ(integerFromItem("&B101"), 5);
    EXPECT_EQ(integerFromItem("&b102"), 2);
    EXPECT_EQ(integerFromItem("&17"), 15); // octal right after the ampersand
    EXPECT_EQ(integerFromItem("&9"), 0);
    EXPECT_EQ(integerFromItem("&x1"), 0);
    EXPECT_EQ(integerFromItem("&H1.5"), 1); // no floating point after a prefix
}

TEST(NumberItem, FloatsRoundHalfToEven) {
    EXPECT_EQ(integerFromItem("2.5"), 2);
    EXPECT_EQ(integerFromItem("3.5"), 4);
    EXPECT_EQ(integerFromItem("-2.5"), -2);
    EXPECT_EQ(integerFromItem("-3.5"), -4);
    EXPECT_EQ(integerFromItem("0.5"), 0);
    EXPECT_EQ(integerFromItem("0.51"), 1);
    EXPECT_EQ(integerFromItem(".7"), 1);
    EXPECT_EQ(integerFromItem("2.4999"), 2);
    EXPECT_EQ(integerFromItem("1.5e1"), 15);
    EXPECT_EQ(integerFromItem("1D2"), 100);
    EXPECT_EQ(integerFromItem("25d-1"), 2);
    EXPECT_EQ(integerFromItem("1.5e"), 2);
    EXPECT_EQ(integerFromItem("7.2xyz"), 7);
    EXPECT_EQ(integerFromItem("0.000000000000000000001"), 0);
}

TEST(NumberItem, HugeFloatsBehaveAsHugeDecimals) {
    EXPECT_EQ(integerFromItem("1e999"), -1);
    EXPECT_EQ(integerFromItem("-1e999"), -1);
    EXPECT_EQ(integerFromItem("1e-999"), 0);
    EXPECT_EQ(integerFromItem("1e99999999999999999999"), -1);
    EXPECT_EQ(integerFromItem("4e9"), integerFromItem("4000000000"));
    EXPECT_EQ(integerFromItem("4294967295.4"), -1);
    EXPECT_EQ(integerFromItem("4294967295.6"), -1); // rounds beyond 32 bits
    EXPECT_EQ(integerFromItem("2147483648.0"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(integerFromItem("1e9"), 1000000000);
}

TEST(NumberText, FilesCarryASpaceBeforeNonNegativeNumbers) {
    EXPECT_EQ(numberForm(0), " 0");
    EXPECT_EQ(numberForm(12), " 12");
    EXPECT_EQ(numberForm(-3), "-3");
    EXPECT_EQ(numberForm(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(numberText(0), "0");
    EXPECT_EQ(numberText(1234), "1234");
    EXPECT_EQ(numberText(-7), "-7");
    EXPECT_EQ(trimLeft("  12 "), "12 ");
    EXPECT_EQ(trimLeft("\t1"), "\t1");
    EXPECT_EQ(trimLeft("   "), "");
}

TEST(NumberText, DateIsMonthDayYearAndTimeIs24Hours) {
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 7;
    t.hour = 5;
    t.minute = 16;
    t.second = 0;
    EXPECT_EQ(dateText(t), "12-07-2026");
    EXPECT_EQ(timeText(t), "05:16:00");
    t.year = 987;
    t.month = 1;
    t.hour = 23;
    EXPECT_EQ(dateText(t), "01-07-0987");
    EXPECT_EQ(timeText(t), "23:16:00");
}

TEST(FloatToInteger, IntGoesDownAndStoringRoundsHalfToEven) {
    EXPECT_EQ(intFloor(2.999), 2);
    EXPECT_EQ(intFloor(-0.1), -1);
    EXPECT_EQ(intFloor(-2.0), -2);
    EXPECT_EQ(intFloor(0.9999999999 * 15) + 1, 15);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(-2.6), -3);
    EXPECT_EQ(roundHalfEven(2.4999999), 2);
    // Out of range saturates instead of being undefined.
    EXPECT_EQ(intFloor(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(roundHalfEven(-1e300), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(intFloor(std::nan("")), 0);
}

} // namespace
} // namespace schlingo::platform
