// Placeholder of the estimators' interface until the library lands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "experiment/design.hpp"

namespace murelta {

struct Estimate {
    double value = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
};
struct SobolIndex {
    Estimate s1;
    Estimate st;
};
std::vector<SobolIndex> sobolIndices(const std::vector<double>& fA, const std::vector<double>& fB,
                                     const std::vector<std::vector<double>>& fAB,
                                     std::uint64_t seed, int resamples = 1000);
struct MorrisIndex {
    double mu = 0.0;
    double muStar = 0.0;
    double sigma = 0.0;
    Estimate muStarCi;
};
std::vector<MorrisIndex> morrisIndices(const std::vector<DesignPoint>& design,
                                       const std::vector<double>& f, std::size_t factorCount,
                                       std::uint64_t seed, int resamples = 1000);
std::vector<Estimate> prcc(const std::vector<std::vector<double>>& columns,
                           const std::vector<double>& y);
struct MannWhitney {
    double u = 0.0;
    double pValue = 0.0;
};
MannWhitney mannWhitney(const std::vector<double>& a, const std::vector<double>& b);
double a12(const std::vector<double>& a, const std::vector<double>& b);
std::vector<double> holm(const std::vector<double>& pValues);

}  // namespace murelta
