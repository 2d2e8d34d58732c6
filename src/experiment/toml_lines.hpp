// `key = value` lines exactly as toml++ writes them inside a table, the common values without
// building a table for each: an experiment file has one per parameter and per agent's field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace murelta {

std::string tomlLine(std::string_view key, bool value);
std::string tomlLine(std::string_view key, std::int64_t value);
std::string tomlLine(std::string_view key, double value);
std::string tomlLine(std::string_view key, const std::string& value);

}  // namespace murelta
