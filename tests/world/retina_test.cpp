// Tests for retina sensing: the view window, the border and the count in the map.
#include "world/retina.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

SimState makeState(int agents) {
    return fixtures::allocatedState(agents);
}

using fixtures::putTarget;

int nonZeroCells(const AgentMap& map) {
    int count = 0;
    for (std::int16_t cell : map.grid().cells()) {
        count += cell != 0 ? 1 : 0;
    }
    return count;
}

// Agents at the four corners and an edge all see exactly what lies on the arena.
TEST(Retina, ViewShowsArenaCellsAndZeroBeyondTheBorder) {
    SimState s = makeState(5);
    // A checkerboard of targets makes every cell's origin visible.
    for (int x = 0; x <= 50; ++x) {
        for (int y = 0; y <= 50; ++y) {
            s.arena(x, y) = static_cast<std::int16_t>((x + 2 * y) % 3 == 0 ? 1 : 0);
        }
    }
    const int corners[5][2] = {{0, 0}, {50, 50}, {0, 50}, {50, 0}, {25, 2}};
    for (int a = 0; a < 5; ++a) {
        s.agent(a).x = static_cast<std::int16_t>(corners[a][0]);
        s.agent(a).y = static_cast<std::int16_t>(corners[a][1]);
    }
    updateRetina(s);
    for (int a = 0; a < 5; ++a) {
        const Agent& agent = s.agent(a);
        int count = 0;
        for (int i = 0; i <= 10; ++i) {
            for (int j = 0; j <= 10; ++j) {
                const int cx = agent.x + i - 5;
                const int cy = agent.y + j - 5;
                const bool inside = cx >= 0 && cx <= 50 && cy >= 0 && cy <= 50;
                const std::int16_t expected = inside ? s.arena(cx, cy) : std::int16_t{0};
                ASSERT_EQ(agent.view(i, j), expected) << "agent " << a << " at " << i << "," << j;
                count += expected;
            }
        }
        EXPECT_EQ(agent.map(agent.x, agent.y), count);
        EXPECT_EQ(nonZeroCells(agent.map), count > 0 ? 1 : 0);
    }
}

TEST(Retina, CountsOnlyTheTargetCellsInsideTheWindow) {
    SimState s = makeState(2);
    putTarget(s, 12, 12, 1);  // wholly inside agent 0's window
    putTarget(s, 30, 30, 3);  // 4 x 4 block straddling agent 1's window edge
    s.agents[0].x = 10;
    s.agents[0].y = 10;
    s.agents[1].x = 26;  // window 21..31 by 21..31 takes columns and rows 30 and 31
    s.agents[1].y = 26;
    updateRetina(s);
    EXPECT_EQ(s.agents[0].map(10, 10), 4);
    EXPECT_EQ(s.agents[1].map(26, 26), 4);
    EXPECT_EQ(s.agents[1].view(10, 10), kTargetCell);  // cell (31, 31)
    EXPECT_EQ(s.agents[1].view(9, 9), kTargetCell);    // cell (30, 30)
    EXPECT_EQ(s.agents[1].view(8, 9), 0);              // cell (29, 30)
}

TEST(Retina, WipesEveryMapBeforeSensingAndHandlesRadiusZero) {
    SimState s = makeState(3);
    putTarget(s, 5, 5, 0);
    s.agents[0].map.set(40, 40, 9);  // left from an earlier cycle
    s.agents[1].map.set(1, 1, 2);
    for (int a = 0; a < 2; ++a) {  // out of sight of the target
        s.agent(a).x = 40;
        s.agent(a).y = 10;
    }
    setRetina(s.agents[2], 0);
    s.agents[2].x = 5;
    s.agents[2].y = 5;
    updateRetina(s);
    EXPECT_EQ(nonZeroCells(s.agents[0].map), 0);
    EXPECT_EQ(nonZeroCells(s.agents[1].map), 0);
    EXPECT_EQ(s.agents[2].map(5, 5), 1);
    EXPECT_EQ(s.agents[2].view(0, 0), kTargetCell);
    // Standing next to the one-cell target, a radius-0 agent sees nothing.
    s.agents[2].x = 6;
    updateRetina(s);
    EXPECT_EQ(s.agents[2].map(6, 5), 0);
    EXPECT_EQ(nonZeroCells(s.agents[2].map), 0);
}

TEST(Retina, NoAgentsDoesNothing) {
    SimState s = makeState(0);
    updateRetina(s);
    EXPECT_EQ(s.agents.size(), 1u);
}

}  // namespace
}  // namespace murelta
