// Strict conversion of switch values and event arguments.
#include <gtest/gtest.h>

#include "cefclient/StrictNumber.h"

using veltrane_text::toBool;
using veltrane_text::toInt32;
using veltrane_text::toUint64;

TEST(StrictNumber, Int32AcceptsSignsAndTheWholeRangeOnly) {
    EXPECT_EQ(toInt32("42"), 42);
    EXPECT_EQ(toInt32("+7"), 7);
    EXPECT_EQ(toInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(toInt32("2147483647"), INT32_MAX);
    EXPECT_EQ(toInt32("0007"), 7);
    for (const char* bad : {"", "+", "-", "2147483648", "-2147483649", "12a", " 1", "1 ", "0x10", "1.5",
                            "99999999999999999999999"}) {
        EXPECT_FALSE(toInt32(bad)) << bad;
    }
}

TEST(StrictNumber, Uint64RejectsNegativeValues) {
    EXPECT_EQ(toUint64("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(toUint64("-0"), 0u);
    EXPECT_FALSE(toUint64("-1"));
    EXPECT_FALSE(toUint64("18446744073709551616"));
}

TEST(StrictNumber, BoolIsZeroOrOneWithSignAndLeadingZeros) {
    EXPECT_EQ(toBool("1"), true);
    EXPECT_EQ(toBool("+1"), true);
    EXPECT_EQ(toBool("001"), true);
    EXPECT_EQ(toBool("0"), false);
    EXPECT_EQ(toBool("-0"), false);
    for (const char* bad : {"", "-1", "2", "true", "yes"}) EXPECT_FALSE(toBool(bad)) << bad;
}
