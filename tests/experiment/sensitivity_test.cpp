// Designs and sensitivity statistics on cases with known answers: the Ishigami function's Sobol'
// indices, a linear function's elementary effects, the strata of a Latin hypercube, A12 and
// Holm's adjustment by hand, and the edge cases and refusals. The Mann–Whitney test and partial
// rank correlation are compared with SciPy and NumPy by stats_reference.py.
#include "experiment/sensitivity.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "experiment/design.hpp"
#include "sim/error.hpp"

namespace murelta {
namespace {

constexpr double kPi = std::numbers::pi;

// The outputs of a Sobol' design split into A, B and AB_i, as sobolIndices takes them.
struct SobolOutputs {
    std::vector<double> a;
    std::vector<double> b;
    std::vector<std::vector<double>> ab;
};

SobolOutputs evaluate(const std::vector<DesignPoint>& design, std::size_t k,
                      const std::function<double(const std::vector<double>&)>& f) {
    SobolOutputs out;
    out.ab.resize(k);
    for (const DesignPoint& point : design) {
        const double y = f(point.unit);
        if (point.block == "A") {
            out.a.push_back(y);
        } else if (point.block == "B") {
            out.b.push_back(y);
        } else {
            // "AB:x<i>"
            out.ab[static_cast<std::size_t>(point.block.back() - '0')].push_back(y);
        }
    }
    return out;
}

// Ishigami and Homma (1990): sin x1 + a sin^2 x2 + b x3^4 sin x1 on [-pi, pi]^3, a = 7, b = 0.1.
// Its indices are known in closed form (Sobol' and Levitan, 1999).
TEST(Sensitivity, IshigamiSobolIndices) {
    const std::vector<std::string> factors{"x0", "x1", "x2"};
    const std::vector<DesignPoint> design = sobolDesign(factors, 4096);
    ASSERT_EQ(design.size(), 4096u * 5);
    const SobolOutputs out = evaluate(design, 3, [](const std::vector<double>& u) {
        const double x1 = -kPi + 2 * kPi * u[0];
        const double x2 = -kPi + 2 * kPi * u[1];
        const double x3 = -kPi + 2 * kPi * u[2];
        return std::sin(x1) + 7 * std::sin(x2) * std::sin(x2) +
               0.1 * std::pow(x3, 4) * std::sin(x1);
    });
    const std::vector<SobolIndex> indices = sobolIndices(out.a, out.b, out.ab, 11);
    ASSERT_EQ(indices.size(), 3u);
    const double s1[] = {0.3139, 0.4424, 0.0};
    const double st[] = {0.5576, 0.4424, 0.2437};
    for (std::size_t i = 0; i < 3; ++i) {
        const Estimate& first = indices[i].s1;
        const Estimate& total = indices[i].st;
        EXPECT_NEAR(first.value, s1[i], 0.03) << factors[i];
        EXPECT_NEAR(total.value, st[i], 0.03) << factors[i];
        EXPECT_TRUE(first.ciLow <= first.value && first.value <= first.ciHigh)
            << factors[i] << ": " << first.ciLow << " " << first.value << " " << first.ciHigh;
        EXPECT_TRUE(total.ciLow <= total.value && total.value <= total.ciHigh)
            << factors[i] << ": " << total.ciLow << " " << total.value << " " << total.ciHigh;
        EXPECT_LT(first.ciHigh - first.ciLow, 0.2) << factors[i];
    }
    // The same seed gives the same intervals.
    const std::vector<SobolIndex> again = sobolIndices(out.a, out.b, out.ab, 11);
    EXPECT_EQ(again[0].s1.ciLow, indices[0].s1.ciLow);
    EXPECT_EQ(again[2].st.ciHigh, indices[2].st.ciHigh);
}

TEST(Sensitivity, SobolDesignIsABAndTheMixedMatrices) {
    const std::vector<DesignPoint> design = sobolDesign({"p", "q"}, 8);
    ASSERT_EQ(design.size(), 32u);
    const char* blocks[] = {"A", "B", "AB:p", "AB:q"};
    for (std::size_t m = 0; m < 4; ++m) {
        for (std::size_t j = 0; j < 8; ++j) {
            const DesignPoint& point = design[m * 8 + j];
            EXPECT_EQ(point.block, blocks[m]);
            EXPECT_EQ(point.point, j);
            ASSERT_EQ(point.unit.size(), 2u);
            for (const double x : point.unit) {
                EXPECT_TRUE(x > 0.0 && x < 1.0) << x;
            }
            if (m >= 2) {
                const std::size_t i = m - 2;
                const std::vector<double>& a = design[j].unit;
                const std::vector<double>& b = design[8 + j].unit;
                EXPECT_EQ(point.unit[i], b[i]);
                EXPECT_EQ(point.unit[1 - i], a[1 - i]);
            }
        }
    }
    // No row of A equals its row of B, as at the skipped origin and centre.
    for (std::size_t j = 0; j < 8; ++j) {
        EXPECT_NE(design[j].unit, design[8 + j].unit) << j;
    }
}

TEST(Sensitivity, ConstantOutputGivesUndefinedSobolIndices) {
    const std::vector<double> same(16, 3.0);
    for (const SobolIndex& index : sobolIndices(same, same, {same, same}, 1, 50)) {
        for (const Estimate& e : {index.s1, index.st}) {
            EXPECT_TRUE(std::isnan(e.value) && std::isnan(e.ciLow) && std::isnan(e.ciHigh));
        }
    }
}

// f = sum c_i (low_i + width_i u_i): every elementary effect of factor i is c_i width_i.
TEST(Sensitivity, MorrisOnALinearFunction) {
    const double c[] = {2.0, -0.5, 7.0, 0.0};
    const double low[] = {0.0, -1.0, 5.0, 100.0};
    const double width[] = {10.0, 2.0, 0.5, 3.0};
    const std::vector<std::string> factors{"a", "b", "c", "d"};
    for (const int levels : {2, 4, 5, 6}) {
        const std::size_t r = 12;
        const std::vector<DesignPoint> design = morrisDesign(factors, r, levels, 7);
        ASSERT_EQ(design.size(), r * 5);
        const double delta = levels / (2.0 * (levels - 1));
        std::vector<double> f;
        for (std::size_t j = 0; j < design.size(); ++j) {
            const DesignPoint& point = design[j];
            EXPECT_EQ(point.block, "T" + std::to_string(j / 5));
            EXPECT_EQ(point.point, j % 5);
            double y = 0.0;
            for (std::size_t i = 0; i < 4; ++i) {
                const double u = point.unit[i];
                EXPECT_TRUE(u >= 0.0 && u <= 1.0) << u;
                if (point.point > 0 && u != design[j - 1].unit[i]) {
                    EXPECT_NEAR(std::abs(u - design[j - 1].unit[i]), delta, 1e-15);
                }
                y += c[i] * (low[i] + width[i] * u);
            }
            f.push_back(y);
        }
        const std::vector<MorrisIndex> indices = morrisIndices(design, f, 4, 3, 200);
        ASSERT_EQ(indices.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i) {
            const MorrisIndex& m = indices[i];
            const std::string name = factors[i] + " at " + std::to_string(levels) + " levels";
            EXPECT_NEAR(m.muStar, std::abs(c[i]) * width[i], 1e-12) << name;
            EXPECT_NEAR(m.mu, c[i] * width[i], 1e-12) << name;
            EXPECT_NEAR(m.sigma, 0.0, 1e-12) << name;
            EXPECT_NEAR(m.muStarCi.ciLow, m.muStar, 1e-12) << name;
            EXPECT_NEAR(m.muStarCi.ciHigh, m.muStar, 1e-12) << name;
        }
    }
    // A factor whose effect changes sign has mu near 0 but mu* its size: f = (u0 - 1/2)^2.
    const std::vector<DesignPoint> design = morrisDesign({"x"}, 40, 4, 5);
    std::vector<double> f;
    for (const DesignPoint& point : design) {
        f.push_back((point.unit[0] - 0.5) * (point.unit[0] - 0.5));
    }
    // Steps are 0 <-> 2/3 or 1/3 <-> 1: effects of -1/3 and +1/3.
    const MorrisIndex m = morrisIndices(design, f, 1, 1, 100)[0];
    EXPECT_NEAR(m.muStar, 1.0 / 3.0, 1e-12);
    EXPECT_LT(std::abs(m.mu), m.muStar);
    EXPECT_GT(m.sigma, 0.0);
}

TEST(Sensitivity, LatinHypercubeHasOnePointInEveryStratum) {
    const struct {
        std::size_t n;
        std::size_t k;
    } cases[] = {{1, 1}, {2, 3}, {7, 2}, {100, 5}, {1000, 3}};
    for (const auto& c : cases) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < c.k; ++i) {
            names.push_back("f" + std::to_string(i));
        }
        const std::vector<DesignPoint> design = lhsDesign(names, c.n, c.n * 31 + c.k);
        ASSERT_EQ(design.size(), c.n);
        const auto n = static_cast<double>(c.n);
        for (std::size_t i = 0; i < c.k; ++i) {
            std::vector<int> hits(c.n, 0);
            for (const DesignPoint& point : design) {
                const double x = point.unit[i];
                // The stratum s with s / n <= x < (s + 1) / n, as the design computes the edges.
                auto s = static_cast<std::size_t>(x * n);
                if (s > 0 && x < static_cast<double>(s) / n) {
                    --s;
                } else if (s < c.n && x >= static_cast<double>(s + 1) / n) {
                    ++s;
                }
                ASSERT_LT(s, c.n) << x;
                ++hits[s];
            }
            for (std::size_t s = 0; s < c.n; ++s) {
                EXPECT_EQ(hits[s], 1) << "n " << c.n << ", factor " << i << ", stratum " << s;
            }
        }
    }
}

// The designs' random numbers come from std::mt19937_64 alone, so these values are the same on
// every machine: a change of them is a change of every seeded design.
TEST(Sensitivity, SeededDesignsArePinned) {
    const std::vector<DesignPoint> lhs = lhsDesign({"x", "y"}, 3, 42);
    const double expected[3][2] = {{0x1.2b086454b43fp-1, 0x1.d49cc1f8539fbp-2},
                                   {0x1.6c972d7fb1673p-1, 0x1.75edefcba3dfdp-4},
                                   {0x1.3450d8bdbc482p-2, 0x1.97f087402b9a5p-1}};
    for (std::size_t j = 0; j < 3; ++j) {
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(lhs[j].unit[i], expected[j][i]) << j << " " << i;
        }
    }
    EXPECT_EQ(lhsDesign({"x", "y"}, 3, 42)[1].unit, lhs[1].unit);
    EXPECT_NE(lhsDesign({"x", "y"}, 3, 43)[1].unit, lhs[1].unit);
    const std::vector<DesignPoint> morris = morrisDesign({"x", "y"}, 1, 4, 42);
    const double path[3][2] = {{2.0 / 3.0, 2.0 / 3.0}, {0.0, 2.0 / 3.0}, {0.0, 0.0}};
    for (std::size_t j = 0; j < 3; ++j) {
        EXPECT_EQ(morris[j].unit, (std::vector<double>{path[j][0], path[j][1]})) << j;
    }
}

TEST(Sensitivity, A12AndHolmOfKnownCases) {
    const double nan = std::nan("");
    const struct {
        std::vector<double> a;
        std::vector<double> b;
        double a12;
    } effects[] = {
        {{1, 2, 3}, {1, 2, 3}, 0.5},
        {{4, 5}, {1, 2, 3}, 1.0},
        {{1}, {2}, 0.0},
        // a above b in 4 of 12 pairs, tied in 2: (4 + 2 / 2) / 12.
        {{1, 2, 3, 4}, {2, 2, 5}, 5.0 / 12.0},
        {{}, {1}, nan},
    };
    for (const auto& c : effects) {
        const double got = a12(c.a, c.b);
        EXPECT_TRUE(got == c.a12 || (std::isnan(got) && std::isnan(c.a12)))
            << c.a.size() << " against " << c.b.size() << ": " << got;
    }
    // R: p.adjust(p, "holm").
    const struct {
        std::vector<double> p;
        std::vector<double> adjusted;
    } adjustments[] = {
        {{}, {}},
        {{0.01, 0.04, 0.03, 0.005}, {0.03, 0.06, 0.06, 0.02}},
        {{0.5, 0.4, 0.2}, {0.8, 0.8, 0.6}},  // the largest kept up to the one below it
        {{0.6, 0.9}, {1.0, 1.0}},            // capped at 1
        {{0.01, 0.01}, {0.02, 0.02}},
        {{0.02, nan, 0.04}, {0.04, nan, 0.04}},  // a NaN is not counted
    };
    for (const auto& c : adjustments) {
        const std::vector<double> got = holm(c.p);
        ASSERT_EQ(got.size(), c.adjusted.size());
        for (std::size_t j = 0; j < got.size(); ++j) {
            EXPECT_TRUE(std::abs(got[j] - c.adjusted[j]) < 1e-15 ||
                        (std::isnan(got[j]) && std::isnan(c.adjusted[j])))
                << "p-value " << j << " of " << got.size() << ": " << got[j];
        }
    }
}

// The bootstrap interval of a mean of many values approaches the normal one, mean +- 1.96
// s/sqrt(n); of equal values it is the value itself.
TEST(Sensitivity, BootstrapIntervalOfAMeanApproachesTheNormalOne) {
    std::vector<double> values;
    for (int i = 0; i < 400; ++i) {
        values.push_back(std::sin(i * 1.7) * 10.0 + 50.0);
    }
    const auto mean = [&](const std::vector<std::size_t>& rows) {
        double sum = 0.0;
        for (const std::size_t row : rows) {
            sum += values[row];
        }
        return sum / static_cast<double>(rows.size());
    };
    double sum = 0.0;
    double squares = 0.0;
    for (const double v : values) {
        sum += v;
    }
    const double average = sum / 400.0;
    for (const double v : values) {
        squares += (v - average) * (v - average);
    }
    const double half = 1.959964 * std::sqrt(squares / 399.0) / 20.0;
    const Estimate e = bootstrapEstimate(values.size(), mean, 4000, 7);
    EXPECT_DOUBLE_EQ(e.value, average);
    EXPECT_NEAR(e.ciLow, average - half, 0.1 * half);
    EXPECT_NEAR(e.ciHigh, average + half, 0.1 * half);
    values.assign(400, 3.0);
    const Estimate equal = bootstrapEstimate(values.size(), mean, 100, 7);
    EXPECT_EQ(equal.ciLow, 3.0);
    EXPECT_EQ(equal.ciHigh, 3.0);
}

TEST(Sensitivity, EdgeCasesOfTheTests) {
    // Every value tied: no evidence of a difference.
    const MannWhitney tied = mannWhitney({2, 2, 2}, {2, 2});
    EXPECT_EQ(tied.u, 3.0);
    EXPECT_EQ(tied.pValue, 1.0);
    const MannWhitney empty = mannWhitney({}, {1, 2});
    EXPECT_TRUE(std::isnan(empty.u) && std::isnan(empty.pValue));
    // A constant output has no rank correlation; too few points leave the interval undefined.
    const std::vector<Estimate> constant = prcc({{1, 2, 3, 4, 5}}, {1, 1, 1, 1, 1});
    EXPECT_TRUE(std::isnan(constant[0].value) && std::isnan(constant[0].ciLow));
    const std::vector<Estimate> few = prcc({{1, 2, 3}}, {1, 3, 2});
    EXPECT_DOUBLE_EQ(few[0].value, 0.5);
    EXPECT_TRUE(std::isnan(few[0].ciLow) && std::isnan(few[0].ciHigh));
    const std::vector<Estimate> perfect = prcc({{1, 2, 3, 4, 5, 6}}, {2, 4, 8, 16, 32, 64});
    EXPECT_NEAR(perfect[0].value, 1.0, 1e-15);
    EXPECT_NEAR(perfect[0].ciLow, 1.0, 1e-12);
}

TEST(Sensitivity, BadInputsAreRefusedNamingTheProblem) {
    const std::vector<std::string> none;
    const std::vector<std::string> x{"x"};
    const std::vector<std::string> xy{"x", "y"};
    const std::vector<std::string> twice{"x", "x"};
    const std::vector<std::string> unnamed{""};
    const std::vector<double> four(4, 1.0);
    const std::vector<double> three(3, 1.0);
    const std::vector<double> gap{1, std::nan(""), 1, 1};
    const std::vector<std::vector<double>> ab{four};
    const std::vector<std::vector<double>> uneven{four, three};
    const std::vector<double> outputs{1, 2, 3};
    const std::vector<double> infinite{1, 2, std::numeric_limits<double>::infinity()};
    const std::vector<double> pValues{0.5, 1.5};
    // What the message must say, and a call that is refused.
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"at least one factor", [&] { sobolDesign(none, 4); }},
        {"0 were asked for", [&] { sobolDesign(x, 0); }},
        {"more than 1000000", [&] { sobolDesign(xy, 250001); }},
        {"named twice", [&] { lhsDesign(twice, 4, 1); }},
        {"one is empty", [&] { lhsDesign(unnamed, 4, 1); }},
        {"at least 2 levels", [&] { morrisDesign(x, 4, 1, 1); }},
        {"at least one trajectory", [&] { morrisDesign(x, 0, 4, 1); }},
        {"at least one point", [&] { lhsDesign(x, 0, 1); }},
        {"more than 1000000", [&] { lhsDesign(x, 1000001, 1); }},
        {"B has 3 outputs", [&] { sobolIndices(four, three, ab, 1); }},
        {"AB of factor 1", [&] { sobolIndices(four, four, uneven, 1); }},
        {"row 1 of B is not a finite", [&] { sobolIndices(four, gap, ab, 1); }},
        {"point 2 is not a finite",
         [&] { morrisIndices(morrisDesign(xy, 1, 4, 1), infinite, 2, 1); }},
        {"resamples", [&] { sobolIndices(four, four, ab, 1, -1); }},
        {"3 outputs for a design of 4",
         [&] { morrisIndices(morrisDesign(x, 2, 4, 1), outputs, 1, 1); }},
        {"change one factor", [&] { morrisIndices(lhsDesign(xy, 3, 1), outputs, 2, 1); }},
        {"factor 1 has 3 values", [&] { prcc(uneven, four); }},
        {"value 1 of the first sample", [&] { mannWhitney(gap, four); }},
        {"outside 0 to 1", [&] { holm(pValues); }},
    };
    for (const auto& [says, call] : cases) {
        std::string message = "no error";
        try {
            call();
        } catch (const Error& e) {
            message = e.what();
        }
        EXPECT_NE(message.find(says), std::string::npos) << says << ": " << message;
    }
}

}  // namespace
}  // namespace murelta
