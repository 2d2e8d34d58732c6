// The points of a design of experiments, in the unit cube [0, 1]^k, one coordinate per factor:
// Saltelli's scheme on a Sobol' sequence for variance-based indices, Morris's elementary-effects
// trajectories, and a Latin hypercube. The caller maps each coordinate onto its factor's range
// (and rounds whole-number parameters). Designs with a seed give the same points on every
// machine. Every function throws Error naming the problem for no factors, an empty or repeated
// factor name, no points asked for, or more than kMaxDesignPoints points in all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace murelta {

enum class DesignMethod { kSobol, kMorris, kLhs };

// The most points a design may have, so that a mistyped count is refused, not run.
inline constexpr std::size_t kMaxDesignPoints = 1000000;

struct DesignPoint {
    // sobol: the base sample 0..N-1; morris: the step 0..k along its trajectory; lhs: 0..N-1.
    std::size_t point = 0;
    // sobol: "A", "B" or "AB:<factor name>"; morris: "T<trajectory>" from T0; lhs: "LHS".
    std::string block;
    std::vector<double> unit;  // one coordinate per factor, in [0, 1]
};

// Saltelli's scheme: matrices A and B of N rows each from one 2k-dimensional Sobol' sequence
// (A the first k coordinates of a point, B the next k), and for each factor i the matrix AB_i,
// A with column i taken from B. In order: all of A (rows 0..N-1), then B, then AB of factor 0,
// of factor 1, ...: N (k + 2) points. The sequence's first two points, the origin and the
// centre, are left out (see design.cpp).
std::vector<DesignPoint> sobolDesign(const std::vector<std::string>& factors,
                                     std::size_t baseSamples);

// Morris's (1991) elementary-effects trajectories on a grid of `levels` levels (at least 2,
// commonly even) with step delta = levels / (2 (levels - 1)): each trajectory is k + 1 points
// that change one factor at a time, in a random order, by +delta or -delta. In order T0, T1...
// Each factor starts on a level from which the step stays in [0, 1]; for odd levels the other
// end of the step falls between levels.
std::vector<DesignPoint> morrisDesign(const std::vector<std::string>& factors,
                                      std::size_t trajectories, int levels, std::uint64_t seed);

// A Latin hypercube of n points: each factor's [0, 1] cut into n strata of width 1/n with
// exactly one point in each, at a uniformly random place within it, and the strata of the
// factors paired at random.
std::vector<DesignPoint> lhsDesign(const std::vector<std::string>& factors, std::size_t points,
                                   std::uint64_t seed);

}  // namespace murelta
