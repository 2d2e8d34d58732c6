#include "sim/numbers.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "sim/error.hpp"

namespace murelta {

namespace {

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result.push_back('"');
    result.append(text);
    result.push_back('"');
    return result;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The decimal digits and exponent of `value` rounded to `digits` significant digits.
struct Decimal {
    bool exact = false;  // reads back as the value it was made from
    bool negative = false;
    std::string digits;  // no leading or trailing zeros except for zero itself
    int exponent = 0;    // value = 0.d1d2d3... x 10^(exponent + 1)
};

Decimal toDecimal(double value, int digits) {
    // to_chars and from_chars ignore the C locale, which a Qt program sets from the user's.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer - 1, value,
                                       std::chars_format::scientific, digits - 1);
    *written.ptr = '\0';
    Decimal d;
    double readBack = 0.0;
    std::from_chars(buffer, written.ptr, readBack);
    d.exact = readBack == value;
    const char* p = buffer;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            d.digits += *p;
        }
    }
    d.exponent = std::atoi(p + 1);
    while (d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

// The power of ten of a number written as digits, an optional point and an optional exponent,
// such as -3 for "0.00123" and 5 for "1.5e5": enough to tell a number too large from one too
// close to zero. The exponent is clamped so that its text cannot overflow the count.
long decimalExponent(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        const bool negative = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
            digits.remove_prefix(1);
        }
        for (char c : digits) {
            exponent = std::min(exponent * 10 + (c - '0'), 1'000'000L);
        }
        exponent = negative ? -exponent : exponent;
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos) {
        return exponent;
    }
    const auto before = static_cast<long>(point) - static_cast<long>(first);
    return exponent + (first < point ? before - 1 : before);
}

}  // namespace

double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

namespace {

// Rounds by roundHalfEven into a whole-number type, or throws Error naming the value's range.
template <typename Whole>
Whole toWhole(double value, std::string_view name) {
    constexpr auto lowest = std::numeric_limits<Whole>::min();
    constexpr auto highest = std::numeric_limits<Whole>::max();
    const double rounded = std::isfinite(value) ? roundHalfEven(value) : value;
    if (!(rounded >= lowest && rounded <= highest)) {
        throw Error(std::string(name) + ": " + formatNumber(value) + " is outside the range " +
                    std::to_string(lowest) + " to " + std::to_string(highest) + ".");
    }
    return static_cast<Whole>(rounded);
}

}  // namespace

std::int16_t toInteger(double value, std::string_view name) {
    return toWhole<std::int16_t>(value, name);
}

std::int32_t toLong(double value, std::string_view name) {
    return toWhole<std::int32_t>(value, name);
}

double parseNumber(std::string_view text, std::string_view name) {
    std::string_view t = text;
    while (!t.empty() && isBlank(t.front())) {
        t.remove_prefix(1);
    }
    while (!t.empty() && isBlank(t.back())) {
        t.remove_suffix(1);
    }
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    double value = 0.0;
    // Only digits, a point and an exponent: from_chars alone would also take "inf" and "nan".
    const bool plain =
        !t.empty() && (std::isdigit(static_cast<unsigned char>(t.front())) || t.front() == '.');
    const auto [end, error] =
        plain ? std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general)
              : std::from_chars_result{t.data(), std::errc::invalid_argument};
    if (error == std::errc::result_out_of_range) {
        throw Error(std::string(name) + ": " + quoted(text) +
                    (decimalExponent(t) < 0 ? " is too close to zero to be held as a number."
                                            : " is too large a number."));
    }
    if (error != std::errc{} || end != t.data() + t.size()) {
        throw Error(std::string(name) + ": " + quoted(text) + " is not a number.");
    }
    return negative ? -value : value;
}

std::int16_t readInteger(std::string_view text, std::string_view name) {
    return toInteger(parseNumber(text, name), name);
}

std::string formatNumber(double value, char decimalSeparator) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    if (value == 0.0) {
        return "0";
    }
    // A whole number below 10^15 is its own shortest text: fewer digits would make another
    // whole number, which no double this small is mistaken for.
    if (std::abs(value) < 1e15 && value == std::trunc(value)) {
        char buffer[24];
        const auto written =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(value));
        return std::string(buffer, written.ptr);
    }
    // No rounding to fewer significant digits than the shortest text that reads back can read
    // back, so the search starts there; one digit lower, since that text is the shortest in
    // characters, which a longer exponent can take from a shorter mantissa.
    char shortest[64];
    const auto end =
        std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific);
    int significant = 0;
    for (const char* p = shortest; p != end.ptr && *p != 'e'; ++p) {
        significant += std::isdigit(static_cast<unsigned char>(*p)) != 0 ? 1 : 0;
    }
    Decimal d;
    for (int digits = std::clamp(significant - 1, 1, 15); digits <= 15; ++digits) {
        d = toDecimal(value, digits);
        if (d.exact) {
            break;
        }
    }
    std::string text = d.negative ? "-" : "";
    const int count = static_cast<int>(d.digits.size());
    if (d.exponent < -5 || d.exponent >= 15) {
        text += d.digits[0];
        if (count > 1) {
            text += decimalSeparator;
            text += d.digits.substr(1);
        }
        const int magnitude = std::abs(d.exponent);
        text += d.exponent < 0 ? "E-" : "E+";
        if (magnitude < 10) {
            text += '0';
        }
        return text + std::to_string(magnitude);
    }
    if (d.exponent < 0) {
        text += '0';
        text += decimalSeparator;
        text.append(static_cast<std::size_t>(-d.exponent - 1), '0');
        return text + d.digits;
    }
    const int whole = d.exponent + 1;
    if (count <= whole) {
        return text + d.digits + std::string(static_cast<std::size_t>(whole - count), '0');
    }
    text += d.digits.substr(0, static_cast<std::size_t>(whole));
    text += decimalSeparator;
    return text + d.digits.substr(static_cast<std::size_t>(whole));
}

}  // namespace murelta
