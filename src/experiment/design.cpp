#include "experiment/design.hpp"

#include <boost/random/sobol.hpp>
#include <cmath>
#include <numeric>
#include <set>

#include "experiment/draws.hpp"
#include "sim/error.hpp"

namespace murelta {

namespace {

// Refuses no factors and empty or repeated names (a Sobol' block names its factor).
void checkFactors(const std::vector<std::string>& factors, const std::string& design) {
    if (factors.empty()) {
        throw Error("A " + design + " design needs at least one factor.");
    }
    std::set<std::string> seen;
    for (const std::string& name : factors) {
        if (name.empty()) {
            throw Error("A " + design + " design's factors must have names; one is empty.");
        }
        if (!seen.insert(name).second) {
            throw Error("The factor \"" + name + "\" is named twice in a " + design + " design.");
        }
    }
}

// Refuses a count of zero and a design of more than kMaxDesignPoints points: `count` groups of
// `perCount` points each.
void checkSize(std::size_t count, std::size_t perCount, const std::string& design,
               const std::string& what) {
    if (count == 0) {
        throw Error("A " + design + " design needs at least one " + what + "; 0 were asked for.");
    }
    if (count > kMaxDesignPoints / perCount) {
        throw Error("A " + design + " design of " + std::to_string(count) + " " + what + "s with " +
                    std::to_string(perCount) + " points each is more than " +
                    std::to_string(kMaxDesignPoints) + " points in all.");
    }
}

}  // namespace

std::vector<DesignPoint> sobolDesign(const std::vector<std::string>& factors,
                                     std::size_t baseSamples) {
    checkFactors(factors, "Sobol'");
    const std::size_t k = factors.size();
    const std::size_t dimensions = 2 * k;
    if (dimensions > boost::random::default_sobol_table::max_dimension) {
        throw Error("A Sobol' design takes at most " +
                    std::to_string(boost::random::default_sobol_table::max_dimension / 2) +
                    " factors; " + std::to_string(k) + " were given.");
    }
    checkSize(baseSamples, k + 2, "Sobol'", "base sample");

    // Boost's engine starts after the sequence's origin; its first point is the centre, every
    // coordinate 1/2, and that is skipped too. At both, A's row equals B's, so every AB_i row
    // equals A's too: the row adds nothing to any index's numerator but still counts in the
    // means, pulling every index towards zero.
    boost::random::sobol sequence(dimensions);
    sequence.discard(dimensions);
    std::vector<std::vector<double>> a(baseSamples, std::vector<double>(k));
    std::vector<std::vector<double>> b(baseSamples, std::vector<double>(k));
    for (std::size_t j = 0; j < baseSamples; ++j) {
        for (std::size_t d = 0; d < dimensions; ++d) {
            // A 64-bit integer; the points are multiples of a power of two, so exact.
            const double x = static_cast<double>(sequence()) * 0x1p-64;
            (d < k ? a[j][d] : b[j][d - k]) = x;
        }
    }

    std::vector<DesignPoint> points;
    points.reserve(baseSamples * (k + 2));
    for (std::size_t j = 0; j < baseSamples; ++j) {
        points.push_back({j, "A", a[j]});
    }
    for (std::size_t j = 0; j < baseSamples; ++j) {
        points.push_back({j, "B", b[j]});
    }
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = 0; j < baseSamples; ++j) {
            std::vector<double> unit = a[j];
            unit[i] = b[j][i];
            points.push_back({j, "AB:" + factors[i], std::move(unit)});
        }
    }
    return points;
}

std::vector<DesignPoint> morrisDesign(const std::vector<std::string>& factors,
                                      std::size_t trajectories, int levels, std::uint64_t seed) {
    checkFactors(factors, "Morris");
    if (levels < 2) {
        throw Error("A Morris design needs at least 2 levels; " + std::to_string(levels) +
                    " were asked for.");
    }
    const std::size_t k = factors.size();
    checkSize(trajectories, k + 1, "Morris", "trajectory");

    // The grid is l / (p - 1) for l = 0..p-1 and the step is p / (2 (p - 1)). A factor starts
    // at one end of a step, from a level l with l / (p - 1) + step <= 1, that is l < floor(p/2),
    // and goes to the other. Both ends are written over the one denominator 2 (p - 1), so that
    // for even p the far end is exactly a grid value.
    const auto p = static_cast<double>(levels);
    const std::size_t starts = static_cast<std::size_t>(levels / 2);
    const double denominator = 2.0 * (p - 1.0);

    Draws draws(seed);
    std::vector<DesignPoint> points;
    points.reserve(trajectories * (k + 1));
    std::vector<double> low(k);
    std::vector<double> high(k);
    std::vector<std::size_t> order(k);
    for (std::size_t t = 0; t < trajectories; ++t) {
        std::vector<double> unit(k);
        for (std::size_t i = 0; i < k; ++i) {
            const auto level = static_cast<double>(draws.below(starts));
            low[i] = 2.0 * level / denominator;
            high[i] = (2.0 * level + p) / denominator;
        }
        for (std::size_t i = 0; i < k; ++i) {
            if (draws.below(2) == 0) {
                std::swap(low[i], high[i]);  // this factor steps down
            }
            unit[i] = low[i];
        }
        // Fisher–Yates: the order in which the factors move.
        std::iota(order.begin(), order.end(), std::size_t{0});
        for (std::size_t i = k; i > 1; --i) {
            std::swap(order[i - 1], order[draws.below(i)]);
        }
        const std::string block = "T" + std::to_string(t);
        points.push_back({0, block, unit});
        for (std::size_t step = 0; step < k; ++step) {
            unit[order[step]] = high[order[step]];
            points.push_back({step + 1, block, unit});
        }
    }
    return points;
}

std::vector<DesignPoint> lhsDesign(const std::vector<std::string>& factors, std::size_t points,
                                   std::uint64_t seed) {
    checkFactors(factors, "Latin hypercube");
    checkSize(points, 1, "Latin hypercube", "point");
    const std::size_t k = factors.size();
    const auto n = static_cast<double>(points);

    std::vector<DesignPoint> design(points);
    for (std::size_t j = 0; j < points; ++j) {
        design[j].point = j;
        design[j].block = "LHS";
        design[j].unit.resize(k);
    }
    Draws draws(seed);
    std::vector<std::size_t> strata(points);
    for (std::size_t i = 0; i < k; ++i) {
        // A random permutation of the strata (Fisher–Yates) pairs them with the other factors'.
        std::iota(strata.begin(), strata.end(), std::size_t{0});
        for (std::size_t j = points; j > 1; --j) {
            std::swap(strata[j - 1], strata[draws.below(j)]);
        }
        for (std::size_t j = 0; j < points; ++j) {
            const auto s = static_cast<double>(strata[j]);
            double x = (s + draws.unit()) / n;
            // (s + u) / n may round up onto the next stratum's edge; keep it below.
            const double edge = (s + 1.0) / n;
            while (x >= edge) {
                x = std::nextafter(x, 0.0);
            }
            design[j].unit[i] = x;
        }
    }
    return design;
}

}  // namespace murelta
