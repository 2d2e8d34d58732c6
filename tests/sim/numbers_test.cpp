// Tests for the Integer reading rule and the shortest number text.
#include "sim/numbers.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// The significant digits of a number's text, without sign, point, exponent or the zeros that
// lead or trail.
std::string significantDigits(const std::string& text) {
    std::string digits;
    for (const char c : text.substr(0, text.find_first_of("eE"))) {
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) {
            digits += c;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    return digits;
}

// The text is the value rounded to the fewest significant digits, 1 to 15, that read back as it,
// searched from one digit up: whole numbers and the search's shortcut must give that rounding.
TEST(Numbers, FormatsTheFirstRoundingThatReadsBack) {
    std::mt19937_64 gen(15);
    std::vector<double> values = {1e15 - 1,
                                  -999999999999999.0,
                                  4503599627370496.5,
                                  0.5,
                                  1e-5,
                                  9.999999999999999e99,
                                  1e100,
                                  1e-100,
                                  9.5e-101,
                                  5e-324,
                                  1.7976931348623157e308,
                                  2.2250738585072014e-308};
    for (int i = 0; i < 4000; ++i) {
        const auto bits = gen();
        double random = 0.0;
        std::memcpy(&random, &bits, sizeof random);
        if (std::isfinite(random)) {
            values.push_back(random);
        }
        values.push_back(static_cast<double>(static_cast<std::int64_t>(gen() >> (gen() % 64))));
        values.push_back(std::ldexp(1.0, static_cast<int>(gen() % 2000) - 1000));
        values.push_back(static_cast<double>(gen() % 100000) /
                         static_cast<double>(1 + gen() % 997));
    }
    for (const double value : values) {
        char buffer[64];
        std::to_chars_result written{};
        for (int digits = 1; digits <= 15; ++digits) {
            written = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific, digits - 1);
            double back = 0.0;
            std::from_chars(buffer, written.ptr, back);
            if (back == value) {
                break;
            }
        }
        const std::string expected(buffer, written.ptr);
        const std::string text = formatNumber(value);
        double read = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), read);
        double wanted = 0.0;
        std::from_chars(expected.data(), expected.data() + expected.size(), wanted);
        if (value == 0.0) {
            continue;
        }
        ASSERT_EQ(read, wanted) << text << " against " << expected;
        ASSERT_EQ(significantDigits(text), significantDigits(expected))
            << text << " against " << expected;
    }
}

TEST(Numbers, FormatsWithTheGivenDecimalSeparator) {
    EXPECT_EQ(formatNumber(33.25, ','), "33,25");
    EXPECT_EQ(formatNumber(10.0, ','), "10");
}

}  // namespace
}  // namespace murelta
