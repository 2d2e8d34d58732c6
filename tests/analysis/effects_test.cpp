// Tests for effects: the levels of a sweep's parameters and the statistic per level, pooled
// over the parameters left free.
#include "analysis/effects.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace murelta {
namespace {

// Four configurations over retina (9, 10) and preset (None, Tab 2), two runs each of last
// exits `a` and `b`; one run of retina 10, Tab 2 is cut at the cycle budget.
SweepResults fourConfigurations() {
    SweepResults r;
    r.keys = {"retina", "preset"};
    const struct {
        const char* retina;
        const char* preset;
        double a, b;
    } rows[] = {{"10", "None", 100, 300},
                {"9", "None", 200, 400},
                {"10", "Tab 2", 10, 50},
                {"9", "Tab 2", 20, 40}};
    std::size_t config = 0;
    for (const auto& row : rows) {
        ConfigurationResults c;
        c.config = config++;
        c.values = {row.retina, row.preset};
        c.runs = {{0, 0, 1, 1.0, row.a, 100.0}, {0, 1, 2, 1.0, row.b, 100.0}};
        r.configurations.push_back(c);
    }
    r.configurations[2].runs[1].percentOut = 50.0;
    return r;
}

TEST(Effects, LevelsAreNumericOrderedAndCategoricalAsListed) {
    const EffectTable table = effectTable(fourConfigurations());
    ASSERT_EQ(table.parameters.size(), 2U);
    EXPECT_EQ(table.parameters[0].levels, (std::vector<std::string>{"9", "10"}));
    EXPECT_TRUE(table.parameters[0].numeric);
    EXPECT_EQ(table.parameters[1].levels, (std::vector<std::string>{"None", "Tab 2"}));
    EXPECT_FALSE(table.parameters[1].numeric);
    EXPECT_EQ(table.levels[0], (std::vector<std::size_t>{1, 0}));
}

TEST(Effects, SeriesPerLevelFixedAndPooled) {
    const SweepResults r = fourConfigurations();
    const EffectTable table = effectTable(r);
    EffectQuery q{"last_mean", 0, 0, 1, {}};
    const std::vector<EffectSeries> series = effectSeries(r, table, q);
    ASSERT_EQ(series.size(), 2U);
    ASSERT_EQ(series[1].points.size(), 2U);
    // Tab 2 at retina 9, then at 10: means 30 and 30; the latter with an all-out share of 0.5.
    EXPECT_DOUBLE_EQ(series[1].points[0].value, 30.0);
    EXPECT_DOUBLE_EQ(series[1].points[1].allOutShare, 0.5);
    // Two runs 10 and 50: mean 30 +- t(0.975, 1) x 20 sqrt(2) / sqrt(2) = 12.7062 x 20.
    EXPECT_NEAR(series[1].points[1].ciHigh - 30.0, 12.7062047361747 * 20.0, 1e-9);
    // No series and the preset pooled: retina 9 pools 200, 400, 20, 40.
    q.series.reset();
    const std::vector<EffectSeries> pooled = effectSeries(r, table, q);
    ASSERT_EQ(pooled.size(), 1U);
    EXPECT_DOUBLE_EQ(pooled[0].points[0].value, 165.0);
    EXPECT_EQ(pooled[0].points[0].configurations, 2U);
    // The preset fixed at None.
    q.fixed = {std::nullopt, 0};
    EXPECT_DOUBLE_EQ(effectSeries(r, table, q)[0].points[0].value, 300.0);
    // A column that is not a mean has no interval.
    q.column = "last_median";
    EXPECT_TRUE(std::isnan(effectSeries(r, table, q)[0].points[0].ciLow));
    q.column = "last";
    EXPECT_THROW(effectSeries(r, table, q), Error);
}

}  // namespace
}  // namespace murelta
