// Sensitivity analysis and comparisons of outputs, over plain arrays: Sobol' indices from
// Saltelli's scheme, Morris's elementary effects, partial rank correlation, the Mann–Whitney U
// test, Vargha and Delaney's A12 and Holm's adjustment. Each estimator's formula and source are
// given beside its code in sensitivity.cpp. Intervals are 95%; a bootstrap draws from its seed
// alone, so the same inputs give the same intervals on every machine. Inputs of the wrong shape,
// and outputs that are not numbers, are refused with an Error naming the problem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "experiment/design.hpp"

namespace murelta {

// A value with a 95% interval; all three NaN where the value is undefined (for example, for an
// output with zero variance), and the interval alone NaN where only it is (no resamples, too few
// points for Fisher's z).
struct Estimate {
    double value = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
};

struct SobolIndex {
    Estimate s1;  // first order
    Estimate st;  // total
};

// The first-order and total indices of each factor from the outputs at a Sobol' design's points:
// fA[j] and fB[j] at row j of A and B, fAB[i][j] at row j of AB_i. With a 95% percentile
// bootstrap interval from `resamples` resamples of the N rows (the same rows for every factor
// and both indices), drawn from `seed`; resamples = 0 leaves the intervals NaN. An output with
// zero variance over A and B makes every estimate NaN; so does it a resample, which is then left
// out of the interval. Throws Error for sizes that do not match, no rows or no factors, a
// negative count of resamples, or an output that is NaN or infinite.
std::vector<SobolIndex> sobolIndices(const std::vector<double>& fA, const std::vector<double>& fB,
                                     const std::vector<std::vector<double>>& fAB,
                                     std::uint64_t seed, int resamples = 1000);

struct MorrisIndex {
    double mu = 0.0;      // mean elementary effect
    double muStar = 0.0;  // mean absolute elementary effect
    double sigma = 0.0;   // sample standard deviation of the effects; NaN for one trajectory
    Estimate muStarCi;    // muStar with a 95% percentile bootstrap interval over trajectories
};

// The elementary effects of each factor from a Morris design (points in the order morrisDesign
// gives them, each trajectory's k + 1 points together) and the output f at each point. A
// trajectory's effect of factor i is (f(after) - f(before)) / (the signed change of factor i in
// the unit cube), so that for f = c * value on a range of width w, mu_star is |c| * w. The
// interval resamples the trajectories `resamples` times from `seed`; 0 leaves it NaN. Throws
// Error when the design is not trajectories of factorCount factors, each step changing one
// factor, every factor once; when f's size differs from the design's; or when f has a NaN or
// an infinity.
std::vector<MorrisIndex> morrisIndices(const std::vector<DesignPoint>& design,
                                       const std::vector<double>& f, std::size_t factorCount,
                                       std::uint64_t seed, int resamples = 1000);

// The partial rank correlation coefficient of each factor with the output, controlling for the
// other factors, with a 95% interval by Fisher's z. columns[i][j] is factor i at point j.
// NaN where undefined: a factor or the output that the other factors' ranks fix entirely (for
// example, a constant). The interval alone is NaN when n - k - 2 < 1. Throws Error for no
// factors, columns of a size other than y's, or a NaN.
std::vector<Estimate> prcc(const std::vector<std::vector<double>>& columns,
                           const std::vector<double>& y);

struct MannWhitney {
    double u = 0.0;       // the statistic of a: pairs with a above b, ties counting a half
    double pValue = 0.0;  // two-sided
};

// The two-sided Mann–Whitney U test of a against b by the normal approximation with tie and
// continuity corrections (as R's wilcox.test(exact = FALSE, correct = TRUE) and SciPy's
// mannwhitneyu(method="asymptotic") give it). Every value tied gives p = 1; an empty sample
// gives u and p NaN. Throws Error for a NaN.
MannWhitney mannWhitney(const std::vector<double>& a, const std::vector<double>& b);

// Vargha and Delaney's A12: P(a > b) + P(a = b) / 2, from 0 to 1, 1/2 where neither is larger;
// NaN for an empty sample. Throws Error for a NaN.
double a12(const std::vector<double>& a, const std::vector<double>& b);

// `statistic` of rows 0..n-1, with a 95% percentile bootstrap interval (Efron and Tibshirani,
// 1993) from `resamples` resamples of the n rows with replacement, drawn from `seed`; the
// interval is NaN when the statistic is undefined in every resample.
Estimate bootstrapEstimate(std::size_t n,
                           const std::function<double(const std::vector<std::size_t>&)>& statistic,
                           int resamples, std::uint64_t seed);

// Holm's step-down adjustment of p-values, in the order given, each capped at 1 and kept
// monotone in the p-values' order. A NaN stays NaN and is not counted among the tests. Throws
// Error for a p-value outside [0, 1].
std::vector<double> holm(const std::vector<double>& pValues);

}  // namespace murelta
