// Placeholder of the design points' interface until the library lands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace murelta {

enum class DesignMethod { kSobol, kMorris, kLhs };
struct DesignPoint {
    std::size_t point = 0;
    std::string block;
    std::vector<double> unit;
};
std::vector<DesignPoint> sobolDesign(const std::vector<std::string>& factors,
                                     std::size_t baseSamples);
std::vector<DesignPoint> morrisDesign(const std::vector<std::string>& factors,
                                      std::size_t trajectories, int levels, std::uint64_t seed);
std::vector<DesignPoint> lhsDesign(const std::vector<std::string>& factors, std::size_t points,
                                   std::uint64_t seed);

}  // namespace murelta
