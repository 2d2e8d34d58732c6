// Tests for the run statistics row, the fitness credit and the averaging.
#include "run/run_stats.hpp"
#include "evolution/fitness.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

// n agents still in the arena after `cycles` cycles, all carrying individual 0.
SimState endOfRun(int n, int cycles) {
    Params p;
    p.agents = std::to_string(n);
    p.runs = "3";
    SimState s = fixtures::allocatedState(p);
    s.population.assign(100, Individual{{25, 0}, 0.0, 0});
    for (int i = 0; i < n; ++i) {
        s.agent(i).inArena = true;
        s.agent(i).timeInArena = static_cast<std::int16_t>(cycles);
    }
    return s;
}

TEST(Fitness, FirstOutAfterCycle40) {
    SimState s = endOfRun(10, 41);
    s.agents[3].inArena = false;
    s.agents[3].timeInArena = 40;
    s.agents[3].individual = 9;
    EXPECT_EQ(countAgentsOut(s), 1);
    recordRunStats(s, 2);
    EXPECT_EQ(s.runStats[2], (RunStatsRow{2, 40, 41, 10}));
    creditFitness(s);
    const double length = 20001;
    EXPECT_DOUBLE_EQ(s.population[9].fitness, (length - 40) / length);
    double others = 0.0;
    for (int i = 0; i < 9; ++i) {
        others = (length - 41) / length + others;
    }
    EXPECT_EQ(s.population[0].fitness, others);
}

TEST(Fitness, NobodyOutGivesFirstCLastCPlusOneAndNoCredit) {
    SimState s = endOfRun(10, 20001);
    recordRunStats(s, 0);
    EXPECT_EQ(s.runStats[0], (RunStatsRow{0, 20000, 20001, 0}));
    creditFitness(s);
    EXPECT_EQ(s.population[0].fitness, 0.0);
}

TEST(Fitness, EverybodyOutAndAThirdOut) {
    SimState s = endOfRun(3, 100);
    s.agents[0].inArena = false;
    s.agents[0].timeInArena = 12;
    recordRunStats(s, 1);
    EXPECT_EQ(s.runStats[1][kPercentOut], 1.0 / 3.0 * 100.0);
    for (int i = 0; i < 3; ++i) {
        s.agent(i).inArena = false;
    }
    s.agents[2].timeInArena = 90;
    recordRunStats(s, 1);
    EXPECT_EQ(s.runStats[1], (RunStatsRow{1, 12, 100, 100}));
}

TEST(Fitness, AveragingDividesOnlyUsedIndividuals) {
    SimState s = endOfRun(1, 0);
    s.population[0] = {{25, 0}, 3.0, 0};
    s.population[1] = {{25, 0}, 3.0, 2};
    s.population[2] = {{25, 0}, -1.0, 4};
    averageFitness(s);
    EXPECT_EQ(s.population[0].fitness, 3.0);
    EXPECT_EQ(s.population[1].fitness, 1.5);
    EXPECT_EQ(s.population[2].fitness, -0.25);
}

}  // namespace
}  // namespace murelta
