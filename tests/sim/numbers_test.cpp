// Tests for the Integer reading rule and the shortest number text.
#include "sim/numbers.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include "sim/error.hpp"

namespace murelta {
namespace {

TEST(Numbers, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfEven(2.5), 2.0);
    EXPECT_EQ(roundHalfEven(3.5), 4.0);
    EXPECT_EQ(roundHalfEven(-2.5), -2.0);
    EXPECT_EQ(roundHalfEven(-3.5), -4.0);
    EXPECT_EQ(roundHalfEven(0.49999999), 0.0);
    EXPECT_EQ(roundHalfEven(7.5), 8.0);
    EXPECT_EQ(roundHalfEven(6.5), 6.0);
    EXPECT_EQ(roundHalfEven(-0.6), -1.0);
}

TEST(Numbers, ReadsIntegersWithTheRoundingRule) {
    EXPECT_EQ(readInteger("2.5", "Group size"), 2);
    EXPECT_EQ(readInteger("3.5", "Group size"), 4);
    EXPECT_EQ(readInteger(" 12 ", "Group size"), 12);
    EXPECT_EQ(readInteger("+7", "Group size"), 7);
    EXPECT_EQ(readInteger("1e3", "Group size"), 1000);
    EXPECT_EQ(readInteger("32767", "Group size"), 32767);
    EXPECT_EQ(readInteger("-32768", "Group size"), -32768);
    EXPECT_EQ(readInteger("32767.4", "Group size"), 32767);
}

TEST(Numbers, RefusesWhatIsNotAnIntegerNamingTheParameter) {
    for (const char* text : {"32768", "-32769", "32767.5", "abc", "", "  ", "12abc", "1,5", "1,000",
                             "inf", "nan", "-", "1e999"}) {
        try {
            readInteger(text, "Group size");
            ADD_FAILURE() << "accepted \"" << text << "\"";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("Group size"), std::string::npos) << e.what();
        }
    }
}

TEST(Numbers, SaysWhetherANumberIsTooLargeOrTooCloseToZero) {
    for (const char* text : {"1e-400", "0.1e-323", "-2.5E-999999999999"}) {
        EXPECT_TRUE(fixtures::throwsError([&] { parseNumber(text, "P"); }, "too close to zero"))
            << text;
    }
    for (const char* text : {"1e400", "123456e305", "1e99999999999999"}) {
        EXPECT_TRUE(fixtures::throwsError([&] { parseNumber(text, "P"); }, "too large")) << text;
    }
}

TEST(Numbers, FormatsTheShortestTextUpTo15Digits) {
    EXPECT_EQ(formatNumber(0.0), "0");
    EXPECT_EQ(formatNumber(-0.0), "0");
    EXPECT_EQ(formatNumber(17.0), "17");
    EXPECT_EQ(formatNumber(20001.0), "20001");
    EXPECT_EQ(formatNumber(100.0), "100");
    EXPECT_EQ(formatNumber(1.0 / 3.0 * 100.0), "33.3333333333333");
    EXPECT_EQ(formatNumber(0.1), "0.1");
    EXPECT_EQ(formatNumber(-2.75), "-2.75");
    EXPECT_EQ(formatNumber(0.09765625), "0.09765625");
    EXPECT_EQ(formatNumber(70.71067811865476), "70.7106781186548");
    EXPECT_EQ(formatNumber(0.00001), "0.00001");
    EXPECT_EQ(formatNumber(1.5e-7), "1.5E-07");
    EXPECT_EQ(formatNumber(1e15), "1E+15");
    EXPECT_EQ(formatNumber(123456789012345.0), "123456789012345");
}

TEST(Numbers, FormatsWithTheGivenDecimalSeparator) {
    EXPECT_EQ(formatNumber(33.25, ','), "33,25");
    EXPECT_EQ(formatNumber(10.0, ','), "10");
}

}  // namespace
}  // namespace murelta
