// Number conversions shared by the windows, the headless runner and the data file: the rule for
// reading an Integer parameter and the shortest decimal text of a Double.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace murelta {

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4),
// independently of the floating-point rounding mode.
double roundHalfEven(double value);

// Converts a number to a 16-bit Integer by roundHalfEven; throws Error naming `name` when the
// result lies outside -32768..32767 or the value is not finite.
std::int16_t toInteger(double value, std::string_view name);

// Converts a number to a 32-bit Long by roundHalfEven; throws Error naming `name` when out of
// range.
std::int32_t toLong(double value, std::string_view name);

// Reads a decimal number written with a point (surrounding blanks allowed, an optional sign and
// exponent); throws Error naming `name` when the text is not a number.
double parseNumber(std::string_view text, std::string_view name);

// parseNumber followed by toInteger.
std::int16_t readInteger(std::string_view text, std::string_view name);

// The shortest decimal text that reads back as `value`, with at most 15 significant digits:
// whole values have no decimal part (0, 17, 20001), others use `decimalSeparator`
// (33.3333333333333). Exponent form, as 1.5E-07, only below 1e-5 or from 1e15 on.
std::string formatNumber(double value, char decimalSeparator = '.');

}  // namespace murelta
