#include "store/text_utils.h"

#include <limits>

#include <gtest/gtest.h>

namespace {

TEST(LeadingNumberTest, ReadsTheDigitsAtTheStartAndIgnoresTheRest) {
    EXPECT_EQ(LeadingNumber("75"), 75);
    EXPECT_EQ(LeadingNumber("09"), 9);
    EXPECT_EQ(LeadingNumber("12:30"), 12);
    EXPECT_EQ(LeadingNumber("  \t 8x"), 8);
    EXPECT_EQ(LeadingNumber("+4"), 4);
    EXPECT_EQ(LeadingNumber("-3"), -3);
}

TEST(LeadingNumberTest, TextWithoutLeadingDigitsGivesZero) {
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("   "), 0);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("x12"), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("- 5"), 0);
    EXPECT_EQ(LeadingNumber("+-5"), 0);
}

TEST(LeadingNumberTest, NumbersBeyondThirtyTwoBitsAreClampedNotWrapped) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(LeadingNumber("2147483647"), kMax);
    EXPECT_EQ(LeadingNumber("2147483648"), kMax);
    EXPECT_EQ(LeadingNumber("99999999999999999999999999"), kMax);
    EXPECT_EQ(LeadingNumber("-2147483648"), kMin);
    EXPECT_EQ(LeadingNumber("-99999999999999999999999999"), kMin);
}

TEST(NumberTextTest, WritesPlainDecimalsThatReadBackTheSame) {
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(5), "5");
    EXPECT_EQ(NumberText(-17), "-17");
    for (const std::int32_t value : {0, 9, 59, 75, -1, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(LeadingNumber(NumberText(value)), value);
    }
}

// Addresses popped by the crawler, typed addresses and number fields are all
// trimmed of the same six blanks; only A-Z fold, never bytes above 0x7f.
TEST(TextUtilsTest, TrimsTheSixAsciiBlanksAndFoldsOnlyAToZ) {
    EXPECT_EQ(TrimBlanks(" \t\n\r\v\fa b\f\v\r\n\t "), "a b");
    EXPECT_EQ(TrimBlanks("\x85x\xa0"), "\x85x\xa0");
    EXPECT_EQ(FoldedCopy("HTTP://A.Z/\xc4\xd6"), "http://a.z/\xc4\xd6");
    EXPECT_TRUE(StartsWithNoCase("Location: x", "location:"));
    EXPECT_FALSE(StartsWithNoCase("Loc", "location:"));
    EXPECT_FALSE(EqualsNoCase("\xc4", "\xe4"));
    EXPECT_EQ(PercentEscaped("a b\x7f", [](char c) { return c == ' ' || c == '\x7f'; }), "a%20b%7F");
}

}  // namespace
