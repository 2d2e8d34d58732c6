#include "experiment/sensitivity.hpp"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

#include "experiment/draws.hpp"
#include "sim/error.hpp"

namespace murelta {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();
constexpr Estimate kUndefinedEstimate{kUndefined, kUndefined, kUndefined};

// The 0.975 quantile of the standard normal distribution.
constexpr double kZ975 = 1.959964;

// Refuses a NaN, naming it as `before` j `after`.
void checkNumbers(const std::vector<double>& values, const std::string& before,
                  const std::string& after = "") {
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (std::isnan(values[j])) {
            throw Error(before + std::to_string(j) + after + " is not a number.");
        }
    }
}

// Refuses a NaN or an infinity, naming it as `before` j `after`: the means and variances of
// Sobol' and Morris indices would turn them into NaN with nothing said.
void checkFinite(const std::vector<double>& values, const std::string& before,
                 const std::string& after = "") {
    for (std::size_t j = 0; j < values.size(); ++j) {
        if (!std::isfinite(values[j])) {
            throw Error(before + std::to_string(j) + after + " is not a finite number.");
        }
    }
}

void checkResamples(int resamples) {
    if (resamples < 0) {
        throw Error("The count of bootstrap resamples must be 0 or more; it is " +
                    std::to_string(resamples) + ".");
    }
}

// The value at fraction p of the way from the least to the greatest of sorted values,
// interpolating linearly between order statistics (R's default, as quartiles() does).
double quantileOfSorted(const std::vector<double>& sorted, double p) {
    const std::size_t last = sorted.size() - 1;
    const double h = p * static_cast<double>(last);
    const auto below = static_cast<std::size_t>(std::floor(h));
    const std::size_t above = std::min(below + 1, last);
    return sorted[below] + (h - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

// A percentile bootstrap interval (Efron and Tibshirani, 1993): the 2.5% and 97.5% quantiles of
// the statistic over the resamples. Resamples where the statistic is undefined are left out;
// the value undefined makes the whole estimate so, and no defined resample the interval.
Estimate withInterval(double value, std::vector<double> resampled) {
    if (std::isnan(value)) {
        return kUndefinedEstimate;
    }
    std::erase_if(resampled, [](double v) { return std::isnan(v); });
    if (resampled.empty()) {
        return {value, kUndefined, kUndefined};
    }
    std::sort(resampled.begin(), resampled.end());
    return {value, quantileOfSorted(resampled, 0.025), quantileOfSorted(resampled, 0.975)};
}

// Draws n row numbers from 0..n-1 with replacement.
void resampleRows(Draws& draws, std::size_t n, std::vector<std::size_t>& rows) {
    rows.resize(n);
    for (std::size_t& row : rows) {
        row = draws.below(n);
    }
}

// Ranks from 1, ties given the mean of the ranks they span; `tieTerm`, when given, receives the
// sum of t^3 - t over the groups of t tied values.
std::vector<double> ranks(const std::vector<double>& values, double* tieTerm = nullptr) {
    const std::size_t n = values.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t x, std::size_t y) { return values[x] < values[y]; });
    std::vector<double> rank(n);
    double ties = 0.0;
    for (std::size_t first = 0; first < n;) {
        std::size_t end = first + 1;
        while (end < n && values[order[end]] == values[order[first]]) {
            ++end;
        }
        // Ranks first + 1 .. end, whose mean is (first + 1 + end) / 2.
        const double mean = (static_cast<double>(first + 1) + static_cast<double>(end)) / 2.0;
        for (std::size_t j = first; j < end; ++j) {
            rank[order[j]] = mean;
        }
        const auto t = static_cast<double>(end - first);
        ties += t * t * t - t;
        first = end;
    }
    if (tieTerm != nullptr) {
        *tieTerm = ties;
    }
    return rank;
}

double dot(const std::vector<double>& x, const std::vector<double>& y) {
    double sum = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        sum += x[j] * y[j];
    }
    return sum;
}

// Takes from v its projection on each of the orthonormal vectors of `basis`.
void removeProjections(const std::vector<std::vector<double>>& basis, std::vector<double>& v) {
    for (const std::vector<double>& q : basis) {
        const double c = dot(q, v);
        for (std::size_t j = 0; j < v.size(); ++j) {
            v[j] -= c * q[j];
        }
    }
}

// Relative size below which a vector left after projections is taken as zero: what rounding
// leaves of a vector that lay in the space.
constexpr double kDependent = 1e-9;

// The residual of least squares of v on the columns spanned by `basis`: v less its projections.
// Each projection is taken twice (Gram–Schmidt with one reorthogonalisation, which leaves the
// residual orthogonal to working precision; Giraud et al., 2005).
std::vector<double> residual(const std::vector<std::vector<double>>& basis, std::vector<double> v) {
    removeProjections(basis, v);
    removeProjections(basis, v);
    return v;
}

// An orthonormal basis of the span of the columns; a column the earlier ones span is left out,
// so that the basis spans the same space however the columns depend on each other.
std::vector<std::vector<double>> orthonormalBasis(const std::vector<std::vector<double>>& columns) {
    std::vector<std::vector<double>> basis;
    for (const std::vector<double>& column : columns) {
        const double size = std::sqrt(dot(column, column));
        std::vector<double> q = residual(basis, column);
        const double left = std::sqrt(dot(q, q));
        if (left <= kDependent * size || left == 0.0) {
            continue;
        }
        for (double& x : q) {
            x /= left;
        }
        basis.push_back(std::move(q));
    }
    return basis;
}

// Pearson's correlation of x and y, clamped to [-1, 1] against rounding.
double pearson(const std::vector<double>& x, const std::vector<double>& y) {
    const auto n = static_cast<double>(x.size());
    const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
    const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j) {
        sxy += (x[j] - mx) * (y[j] - my);
        sxx += (x[j] - mx) * (x[j] - mx);
        syy += (y[j] - my) * (y[j] - my);
    }
    return std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
}

// U of a (the pairs with a above b, ties a half) from the ranks in the pooled sample: the sum of
// a's ranks less n1 (n1 + 1) / 2 (Mann and Whitney, 1947). `tieTerm` receives sum t^3 - t.
double uOfA(const std::vector<double>& a, const std::vector<double>& b, double& tieTerm) {
    std::vector<double> pooled = a;
    pooled.insert(pooled.end(), b.begin(), b.end());
    const std::vector<double> rank = ranks(pooled, &tieTerm);
    const double sumA = std::accumulate(rank.begin(), rank.begin() + std::ptrdiff_t(a.size()), 0.0);
    const auto n1 = static_cast<double>(a.size());
    return sumA - n1 * (n1 + 1.0) / 2.0;
}

}  // namespace

// Saltelli et al. (2010), "Variance based sensitivity analysis of model output", with V the
// population variance of the 2N outputs of A and B pooled:
//   first order  S1_i = (1/N) sum_j fB_j (fAB_ij - fA_j) / V
//   total (Jansen, 1999)  ST_i = (1/(2N)) sum_j (fA_j - fAB_ij)^2 / V
std::vector<SobolIndex> sobolIndices(const std::vector<double>& fA, const std::vector<double>& fB,
                                     const std::vector<std::vector<double>>& fAB,
                                     std::uint64_t seed, int resamples) {
    checkResamples(resamples);
    const std::size_t n = fA.size();
    const std::size_t k = fAB.size();
    if (n == 0 || k == 0) {
        throw Error("Sobol' indices need at least one row and one factor.");
    }
    if (fB.size() != n) {
        throw Error("Sobol' indices: B has " + std::to_string(fB.size()) + " outputs where A has " +
                    std::to_string(n) + ".");
    }
    checkFinite(fA, "Sobol' indices: the output at row ", " of A");
    checkFinite(fB, "Sobol' indices: the output at row ", " of B");
    for (std::size_t i = 0; i < k; ++i) {
        if (fAB[i].size() != n) {
            throw Error("Sobol' indices: AB of factor " + std::to_string(i) + " has " +
                        std::to_string(fAB[i].size()) + " outputs where A has " +
                        std::to_string(n) + ".");
        }
        checkFinite(fAB[i], "Sobol' indices: the output at row ",
                    " of AB of factor " + std::to_string(i));
    }

    // Both indices of every factor over the given rows; NaN where A and B's outputs are all one
    // value (no variance to share out).
    std::vector<double> s1(k);
    std::vector<double> st(k);
    const auto indices = [&](const std::vector<std::size_t>& rows) {
        const auto count = static_cast<double>(rows.size());
        double sum = 0.0;
        double least = fA[rows[0]];
        double greatest = least;
        for (const std::size_t r : rows) {
            sum += fA[r] + fB[r];
            least = std::min({least, fA[r], fB[r]});
            greatest = std::max({greatest, fA[r], fB[r]});
        }
        if (least == greatest) {
            std::fill(s1.begin(), s1.end(), kUndefined);
            std::fill(st.begin(), st.end(), kUndefined);
            return;
        }
        const double mean = sum / (2.0 * count);
        double squares = 0.0;
        for (const std::size_t r : rows) {
            squares += (fA[r] - mean) * (fA[r] - mean) + (fB[r] - mean) * (fB[r] - mean);
        }
        const double variance = squares / (2.0 * count);
        for (std::size_t i = 0; i < k; ++i) {
            double first = 0.0;
            double total = 0.0;
            for (const std::size_t r : rows) {
                const double change = fAB[i][r] - fA[r];
                first += fB[r] * change;
                total += change * change;
            }
            s1[i] = first / count / variance;
            st[i] = total / (2.0 * count) / variance;
        }
    };

    std::vector<std::size_t> rows(n);
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    indices(rows);
    const std::vector<double> s1Value = s1;
    const std::vector<double> stValue = st;

    const auto draws = static_cast<std::size_t>(resamples);
    std::vector<std::vector<double>> s1Resampled(k, std::vector<double>(draws));
    std::vector<std::vector<double>> stResampled(k, std::vector<double>(draws));
    Draws random(seed);
    for (std::size_t b = 0; b < draws; ++b) {
        resampleRows(random, n, rows);
        indices(rows);
        for (std::size_t i = 0; i < k; ++i) {
            s1Resampled[i][b] = s1[i];
            stResampled[i][b] = st[i];
        }
    }

    std::vector<SobolIndex> result(k);
    for (std::size_t i = 0; i < k; ++i) {
        result[i].s1 = withInterval(s1Value[i], std::move(s1Resampled[i]));
        result[i].st = withInterval(stValue[i], std::move(stResampled[i]));
    }
    return result;
}

// Morris (1991), "Factorial sampling plans for preliminary computational experiments": the
// elementary effect of factor i in a trajectory is d_i = (f(x + delta e_i) - f(x)) / delta, with
// delta the signed change in the unit cube. Over r trajectories, mu = mean d_i, sigma the sample
// standard deviation (r - 1), and mu* = mean |d_i| (Campolongo, Cariboni and Saltelli, 2007).
std::vector<MorrisIndex> morrisIndices(const std::vector<DesignPoint>& design,
                                       const std::vector<double>& f, std::size_t factorCount,
                                       std::uint64_t seed, int resamples) {
    checkResamples(resamples);
    const std::size_t k = factorCount;
    if (k == 0) {
        throw Error("Morris indices need at least one factor.");
    }
    if (f.size() != design.size()) {
        throw Error("Morris indices: " + std::to_string(f.size()) + " outputs for a design of " +
                    std::to_string(design.size()) + " points.");
    }
    if (design.empty() || design.size() % (k + 1) != 0) {
        throw Error("Morris indices: a design of " + std::to_string(design.size()) +
                    " points is not whole trajectories of " + std::to_string(k + 1) + " points.");
    }
    checkFinite(f, "Morris indices: the output at point ");
    const std::size_t r = design.size() / (k + 1);

    // effects[i][t]: factor i's effect in trajectory t.
    std::vector<std::vector<double>> effects(k, std::vector<double>(r));
    for (std::size_t t = 0; t < r; ++t) {
        const std::size_t start = t * (k + 1);
        std::vector<bool> moved(k, false);
        for (std::size_t step = 0; step <= k; ++step) {
            const DesignPoint& point = design[start + step];
            const std::string where = "Morris indices: design point " +
                                      std::to_string(start + step) + " (" + point.block + ")";
            if (point.unit.size() != k) {
                throw Error(where + " has " + std::to_string(point.unit.size()) +
                            " coordinates where there are " + std::to_string(k) + " factors.");
            }
            if (point.point != step || point.block != design[start].block) {
                throw Error(where + " should be step " + std::to_string(step) +
                            " of the trajectory " + design[start].block + ".");
            }
            if (step == 0) {
                continue;
            }
            const DesignPoint& before = design[start + step - 1];
            std::size_t changed = k;
            for (std::size_t i = 0; i < k; ++i) {
                if (point.unit[i] != before.unit[i]) {
                    if (changed != k || moved[i]) {
                        throw Error(where + " should change one factor not changed before.");
                    }
                    changed = i;
                }
            }
            if (changed == k) {
                throw Error(where + " changes no factor.");
            }
            moved[changed] = true;
            effects[changed][t] = (f[start + step] - f[start + step - 1]) /
                                  (point.unit[changed] - before.unit[changed]);
        }
    }

    const auto count = static_cast<double>(r);
    const auto meanAbsolute = [&](const std::vector<double>& d,
                                  const std::vector<std::size_t>& of) {
        double sum = 0.0;
        for (const std::size_t t : of) {
            sum += std::abs(d[t]);
        }
        return sum / static_cast<double>(of.size());
    };
    std::vector<std::size_t> all(r);
    std::iota(all.begin(), all.end(), std::size_t{0});
    const auto draws = static_cast<std::size_t>(resamples);
    std::vector<std::vector<double>> resampled(k, std::vector<double>(draws));
    Draws random(seed);
    std::vector<std::size_t> rows;
    for (std::size_t b = 0; b < draws; ++b) {
        resampleRows(random, r, rows);
        for (std::size_t i = 0; i < k; ++i) {
            resampled[i][b] = meanAbsolute(effects[i], rows);
        }
    }

    std::vector<MorrisIndex> result(k);
    for (std::size_t i = 0; i < k; ++i) {
        const std::vector<double>& d = effects[i];
        MorrisIndex& index = result[i];
        index.mu = std::accumulate(d.begin(), d.end(), 0.0) / count;
        index.muStar = meanAbsolute(d, all);
        double squares = 0.0;
        for (const double e : d) {
            squares += (e - index.mu) * (e - index.mu);
        }
        index.sigma = r < 2 ? kUndefined : std::sqrt(squares / (count - 1.0));
        index.muStarCi = withInterval(index.muStar, std::move(resampled[i]));
    }
    return result;
}

// Partial rank correlation (Iman and Conover, 1980; Marino et al., 2008): with ties given mean
// ranks, PRCC_i is Pearson's correlation of the residuals of the least-squares regressions of
// rank(x_i) and of rank(y) on an intercept and the ranks of the other factors. Its interval is
// Fisher's (1921) z for a partial correlation of k - 1 controlled variables:
//   tanh(atanh(r) -+ 1.959964 / sqrt(n - 3 - (k - 1))).
std::vector<Estimate> prcc(const std::vector<std::vector<double>>& columns,
                           const std::vector<double>& y) {
    const std::size_t k = columns.size();
    const std::size_t n = y.size();
    if (k == 0) {
        throw Error("Partial rank correlation needs at least one factor.");
    }
    checkNumbers(y, "Partial rank correlation: the output at point ");
    std::vector<std::vector<double>> rank(k);
    for (std::size_t i = 0; i < k; ++i) {
        if (columns[i].size() != n) {
            throw Error("Partial rank correlation: factor " + std::to_string(i) + " has " +
                        std::to_string(columns[i].size()) + " values where the output has " +
                        std::to_string(n) + ".");
        }
        checkNumbers(columns[i], "Partial rank correlation: point ",
                     " of factor " + std::to_string(i));
        rank[i] = ranks(columns[i]);
    }
    const std::vector<double> rankY = ranks(y);
    const double freedom = static_cast<double>(n) - 3.0 - static_cast<double>(k - 1);

    // A residual is taken as none when rounding is all that is left of it, relative to the
    // vector's own spread about its mean.
    const auto vanishes = [&](const std::vector<double>& left, const std::vector<double>& of) {
        const double mean = std::accumulate(of.begin(), of.end(), 0.0) / static_cast<double>(n);
        double spread = 0.0;
        for (const double v : of) {
            spread += (v - mean) * (v - mean);
        }
        const double size = std::sqrt(dot(left, left));
        return size == 0.0 || size <= kDependent * std::sqrt(spread);
    };

    std::vector<Estimate> result(k, kUndefinedEstimate);
    for (std::size_t i = 0; i < k; ++i) {
        std::vector<std::vector<double>> controls{std::vector<double>(n, 1.0)};
        for (std::size_t other = 0; other < k; ++other) {
            if (other != i) {
                controls.push_back(rank[other]);
            }
        }
        const std::vector<std::vector<double>> basis = orthonormalBasis(controls);
        const std::vector<double> x = residual(basis, rank[i]);
        const std::vector<double> e = residual(basis, rankY);
        if (n < 2 || vanishes(x, rank[i]) || vanishes(e, rankY)) {
            continue;
        }
        const double r = pearson(x, e);
        result[i].value = r;
        if (freedom < 1.0) {
            result[i].ciLow = result[i].ciHigh = kUndefined;
            continue;
        }
        const double z = std::atanh(r);
        const double half = kZ975 / std::sqrt(freedom);
        result[i].ciLow = std::tanh(z - half);
        result[i].ciHigh = std::tanh(z + half);
    }
    return result;
}

// Mann and Whitney (1947), by the normal approximation with tie correction (Lehmann, 1975) and
// continuity correction, as SciPy's mannwhitneyu(method="asymptotic") computes it:
//   U1 = R1 - n1 (n1 + 1) / 2,  U = max(U1, n1 n2 - U1),  m = n1 n2 / 2,
//   s = sqrt(n1 n2 / 12 ((n + 1) - sum(t^3 - t) / (n (n - 1)))),
//   p = min(1, 2 P(Z > (U - m - 1/2) / s)).
// With every value tied s is 0 and U = m, so z is -infinity and p is 1.
MannWhitney mannWhitney(const std::vector<double>& a, const std::vector<double>& b) {
    checkNumbers(a, "Mann–Whitney test: value ", " of the first sample");
    checkNumbers(b, "Mann–Whitney test: value ", " of the second sample");
    if (a.empty() || b.empty()) {
        return {kUndefined, kUndefined};
    }
    double tieTerm = 0.0;
    const double u1 = uOfA(a, b, tieTerm);
    const auto n1 = static_cast<double>(a.size());
    const auto n2 = static_cast<double>(b.size());
    const double n = n1 + n2;
    const double mean = n1 * n2 / 2.0;
    const double u = std::max(u1, n1 * n2 - u1);
    const double s = std::sqrt(n1 * n2 / 12.0 * ((n + 1.0) - tieTerm / (n * (n - 1.0))));
    if (!(s > 0.0)) {
        return {u1, 1.0};
    }
    const double z = (u - mean - 0.5) / s;
    const boost::math::normal normal;
    const double p = 2.0 * boost::math::cdf(boost::math::complement(normal, z));
    return {u1, std::min(1.0, p)};
}

// Vargha and Delaney (2000), "A critique and improvement of the CL common language effect size
// statistics of McGraw and Wong": A12 = P(a > b) + P(a = b) / 2 = U1 / (n1 n2).
double a12(const std::vector<double>& a, const std::vector<double>& b) {
    checkNumbers(a, "A12: value ", " of the first sample");
    checkNumbers(b, "A12: value ", " of the second sample");
    if (a.empty() || b.empty()) {
        return kUndefined;
    }
    double tieTerm = 0.0;
    return uOfA(a, b, tieTerm) / (static_cast<double>(a.size()) * static_cast<double>(b.size()));
}

Estimate bootstrapEstimate(std::size_t n,
                           const std::function<double(const std::vector<std::size_t>&)>& statistic,
                           int resamples, std::uint64_t seed) {
    checkResamples(resamples);
    std::vector<std::size_t> rows(n);
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    const double value = statistic(rows);
    Draws draws(seed);
    std::vector<double> resampled;
    resampled.reserve(static_cast<std::size_t>(resamples));
    for (int b = 0; b < resamples && n > 0; ++b) {
        resampleRows(draws, n, rows);
        resampled.push_back(statistic(rows));
    }
    return withInterval(value, std::move(resampled));
}

// Holm (1979), "A simple sequentially rejective multiple test procedure": with the m p-values
// sorted p_(1) <= ... <= p_(m), the adjusted p_(i) = min(1, max over j <= i of (m - j + 1) p_(j)).
std::vector<double> holm(const std::vector<double>& pValues) {
    std::vector<std::size_t> order;
    for (std::size_t j = 0; j < pValues.size(); ++j) {
        const double p = pValues[j];
        if (std::isnan(p)) {
            continue;
        }
        if (p < 0.0 || p > 1.0) {
            throw Error("Holm's adjustment: p-value " + std::to_string(j) + " is " +
                        std::to_string(p) + ", outside 0 to 1.");
        }
        order.push_back(j);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t x, std::size_t y) { return pValues[x] < pValues[y]; });
    std::vector<double> adjusted(pValues.size(), kUndefined);
    const std::size_t m = order.size();
    double running = 0.0;
    for (std::size_t j = 0; j < m; ++j) {
        running = std::max(running, static_cast<double>(m - j) * pValues[order[j]]);
        adjusted[order[j]] = std::min(1.0, running);
    }
    return adjusted;
}

}  // namespace murelta
