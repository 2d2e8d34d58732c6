// Tests for the editing rules of the agent and target panels.
#include "network/editing.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <cstdint>
#include <vector>

#include "sim/state.hpp"

namespace murelta {
namespace {

using Action = LeaderClick::Action;

Agent& agent(SimState& s, int i) {
    return s.agents[static_cast<std::size_t>(i)];
}

TEST(LeaderClick, WithoutRanksTheBoxDecides) {
    SimState s = fixtures::allocatedState(10);
    const LeaderClick on = leaderClick(s, 3, true);
    EXPECT_EQ(on.action, Action::kSetRank);
    EXPECT_EQ(on.rank, 1);
    const LeaderClick off = leaderClick(s, 3, false);
    EXPECT_EQ(off.action, Action::kSetRank);
    EXPECT_EQ(off.rank, 0);
}

TEST(LeaderClick, OnlyTheLeaderMayClearItsMark) {
    SimState s = fixtures::allocatedState(10);
    agent(s, 0).rank = 1;
    EXPECT_EQ(leaderClick(s, 4, true).action, Action::kRefuse);
    EXPECT_EQ(leaderClick(s, 0, true).action, Action::kNothing);
    const LeaderClick off = leaderClick(s, 0, false);
    EXPECT_EQ(off.action, Action::kSetRank);
    EXPECT_EQ(off.rank, 0);
}

TEST(LeaderClick, RanksAreCountedNotLeaders) {
    SimState s = fixtures::allocatedState(10);
    agent(s, 6).rank = 2;
    EXPECT_EQ(leaderClick(s, 6, true).action, Action::kRefuse);
    EXPECT_EQ(leaderClick(s, 1, true).action, Action::kRefuse);
}

TEST(LeaderClick, ASumBeyondSixteenBitsIsStillNotZero) {
    SimState s = fixtures::allocatedState(10);
    agent(s, 1).rank = 32767;
    agent(s, 2).rank = 32767;
    agent(s, 3).rank = 2;  // 65536 wraps to 0 in 16 bits
    EXPECT_EQ(leaderClick(s, 4, true).action, Action::kRefuse);
}

TEST(Boxes, RankGoesToSelectedAgentsOnly) {
    SimState s = fixtures::allocatedState(4);
    const std::vector<std::int16_t> marks = {0, 1, 3, 0, 0};
    EXPECT_TRUE(storeRank(s, marks, 2.5));  // halves to even
    EXPECT_EQ(agent(s, 1).rank, 2);
    EXPECT_EQ(agent(s, 2).rank, 0);  // a picked link end is not selected
    EXPECT_FALSE(storeRank(s, marks, -3.0));
    EXPECT_FALSE(storeRank(s, marks, 40000.0));
    EXPECT_EQ(agent(s, 1).rank, 2);
    EXPECT_TRUE(storeRank(s, marks, 32767.0));
    EXPECT_EQ(agent(s, 1).rank, 32767);
}

TEST(Boxes, RetinaIsWholeAndWithinWhatTheSensingHolds) {
    SimState s = fixtures::allocatedState(4);
    const std::vector<std::int16_t> marks = {1, 0, 0, 0, 0};
    EXPECT_TRUE(storeRetina(s, marks, 12.0));
    EXPECT_EQ(agent(s, 0).retina, 12.0);
    EXPECT_EQ(agent(s, 0).view.columns(), 25);
    EXPECT_EQ(agent(s, 0).view.rows(), 25);
    EXPECT_TRUE(storeRetina(s, marks, 7.5));
    EXPECT_EQ(agent(s, 0).retina, 8.0);
    EXPECT_TRUE(storeRetina(s, marks, 90.0));
    EXPECT_EQ(agent(s, 0).view.columns(), 181);
    for (double refused : {91.0, -3.0, 1e9}) {
        EXPECT_FALSE(storeRetina(s, marks, refused)) << refused;
    }
    EXPECT_EQ(agent(s, 0).retina, 90.0);
    EXPECT_EQ(agent(s, 1).retina, 5.0);
}

TEST(Boxes, TargetSizeTakesNegativeValues) {
    SimState s = fixtures::allocatedState(4);
    EXPECT_TRUE(storeTargetSize(s, 0, -2.0));
    EXPECT_EQ(s.targets[0].size, -2);
    EXPECT_FALSE(storeTargetSize(s, 0, 1e6));
    EXPECT_EQ(s.targets[0].size, -2);
    EXPECT_FALSE(storeTargetSize(s, 5, 3.0));
}

TEST(Targets, StepStopsAtBothEnds) {
    Params p;
    p.foods = "3";
    SimState s = fixtures::allocatedState(p);
    EXPECT_EQ(shiftedTarget(s, 0, -1), 0);
    EXPECT_EQ(shiftedTarget(s, 0, 1), 1);
    EXPECT_EQ(shiftedTarget(s, 2, 1), 2);
    EXPECT_EQ(shiftedTarget(s, 2, -1), 1);
}

}  // namespace
}  // namespace murelta
