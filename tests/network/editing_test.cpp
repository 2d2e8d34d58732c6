// Tests for the editing rules of the agent and target panels, beyond what the designer window's
// tests reach through its controls.
#include "network/editing.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <cstdint>
#include <vector>

#include "sim/state.hpp"

namespace murelta {
namespace {

using Action = LeaderClick::Action;

TEST(LeaderClick, OnlyTheAgentOfRankOneMayClearItsMark) {
    SimState s = fixtures::allocatedState(10);
    EXPECT_EQ(leaderClick(s, 3, false).action, Action::kSetRank);  // no rank anywhere
    s.agents[0].rank = 1;
    EXPECT_EQ(leaderClick(s, 4, true).action, Action::kRefuse);
    EXPECT_EQ(leaderClick(s, 0, true).action, Action::kNothing);
    const LeaderClick off = leaderClick(s, 0, false);
    EXPECT_EQ(off.action, Action::kSetRank);
    EXPECT_EQ(off.rank, 0);
}

TEST(LeaderClick, ASumBeyondSixteenBitsIsStillNotZero) {
    SimState s = fixtures::allocatedState(10);
    s.agents[1].rank = 32767;
    s.agents[2].rank = 32767;
    s.agents[3].rank = 2;  // 65536 would wrap to 0 in 16 bits
    EXPECT_EQ(leaderClick(s, 4, true).action, Action::kRefuse);
}

TEST(Boxes, RetinaStopsWhereTheSensingsCountWouldOverflow) {
    SimState s = fixtures::allocatedState(4);
    const std::vector<std::int16_t> agents = {0};
    EXPECT_TRUE(storeRetina(s, agents, 90.0));
    EXPECT_EQ(s.agents[0].retina, 90.0);
    EXPECT_FALSE(storeRetina(s, agents, 91.0));
    EXPECT_FALSE(storeRetina(s, agents, 1e9));
    EXPECT_EQ(s.agents[0].retina, 90.0);
}

TEST(Boxes, ValuesBeyondSixteenBitsAreIgnored) {
    SimState s = fixtures::allocatedState(4);
    const std::vector<std::int16_t> agents = {0};
    EXPECT_TRUE(storeRank(s, agents, 32767.0));
    EXPECT_FALSE(storeRank(s, agents, 32768.0));
    EXPECT_EQ(s.agents[0].rank, 32767);
    EXPECT_FALSE(storeTargetSize(s, 0, -40000.0));
    EXPECT_FALSE(storeTargetSize(s, 5, 3.0));                              // no such target
    EXPECT_THROW(storeRank(s, std::vector<std::int16_t>{4}, 1.0), Error);  // no such agent
}

}  // namespace
}  // namespace murelta
