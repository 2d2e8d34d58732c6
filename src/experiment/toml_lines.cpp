#include "experiment/toml_lines.hpp"

#include <toml++/toml.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <type_traits>

namespace murelta {

namespace {

// toml++ writes a key bare when it is made of these.
bool bareKey(std::string_view key) {
    return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '_';
    });
}

// The text toml++ writes for a whole number, a flag, a finite real or a string of printable
// ASCII without a single quote, which it quotes as a literal; none for anything else. A real has
// 17 significant digits less trailing zeros, as printf's %.17g and an output stream of the
// classic locale give it, but whatever the locale, with ".0" when that has no point or exponent.
template <typename Value>
std::optional<std::string> plainToml(const Value& value) {
    using Type = std::decay_t<Value>;
    char text[32];
    if constexpr (std::is_same_v<Type, bool>) {
        return std::string(value ? "true" : "false");
    } else if constexpr (std::is_same_v<Type, std::int64_t>) {
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        return std::string(text, end);
    } else if constexpr (std::is_same_v<Type, double>) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
        const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general,
                                       std::numeric_limits<double>::max_digits10)
                             .ptr;
        std::string written(text, end);
        if (written.find_first_of(".eE") == std::string::npos) {
            written += ".0";
        }
        return written;
    } else if constexpr (std::is_same_v<Type, std::string>) {
        if (!std::all_of(value.begin(), value.end(),
                         [](char c) { return c >= ' ' && c <= '~' && c != '\''; })) {
            return std::nullopt;
        }
        return "'" + value + "'";
    } else {
        return std::nullopt;
    }
}

template <typename Value>
std::string lineOf(std::string_view key, const Value& value) {
    if (bareKey(key)) {
        if (const std::optional<std::string> text = plainToml(value)) {
            return std::string(key) + " = " + *text;
        }
    }
    std::ostringstream line;
    line << toml::table{{key, value}};
    return std::move(line).str();
}

}  // namespace

std::string tomlLine(std::string_view key, bool value) {
    return lineOf(key, value);
}

std::string tomlLine(std::string_view key, std::int64_t value) {
    return lineOf(key, value);
}

std::string tomlLine(std::string_view key, double value) {
    return lineOf(key, value);
}

std::string tomlLine(std::string_view key, const std::string& value) {
    return lineOf(key, value);
}

}  // namespace murelta
