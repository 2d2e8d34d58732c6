// Tests for retina sensing: the view window, the border, the sums and the count in the map.
#include "world/retina.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <algorithm>
#include <random>
#include <string>

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

// Random arenas from a single cell up, with overlapping targets and stray cells, agents at the
// corners, on the edges and anywhere, and retinas from 0 to the largest: what each agent sees,
// its view and the count in its map are exactly what a scan of its window finds.
TEST(Retina, SeesWhatAScanOfTheWindowFindsWhateverTheArenaAndRadius) {
    std::mt19937 rng(20240611);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    for (int round = 0; round < 40; ++round) {
        Params p;
        p.agents = "9";
        p.width = std::to_string(round < 4 ? round % 2 : uniform(0, 70));
        p.height = std::to_string(round < 4 ? round / 2 : uniform(0, 70));
        SimState s = fixtures::allocatedState(p);
        const int w = s.arenaWidth;
        const int h = s.arenaHeight;
        SCOPED_TRACE("arena " + std::to_string(w) + "x" + std::to_string(h));
        for (int k = uniform(0, 6); k > 0; --k) {
            const int size = uniform(0, std::min({10, w, h}));
            putTarget(s, uniform(0, w - size), uniform(0, h - size), size);
        }
        for (int k = uniform(0, 20); k > 0; --k) {
            s.arena(uniform(0, w), uniform(0, h)) = kTargetCell;
        }
        sumTargets(s);
        const int spots[9][2] = {{0, 0},
                                 {w, h},
                                 {0, h},
                                 {w, 0},
                                 {uniform(0, w), 0},
                                 {0, uniform(0, h)},
                                 {uniform(0, w), h},
                                 {w, uniform(0, h)},
                                 {uniform(0, w), uniform(0, h)}};
        for (int a = 0; a < 9; ++a) {
            s.agent(a).x = static_cast<std::int16_t>(spots[a][0]);
            s.agent(a).y = static_cast<std::int16_t>(spots[a][1]);
            setRetina(s.agent(a), uniform(0, 3) == 0 ? kMaxRetina : uniform(0, 30));
        }
        updateRetina(s);
        for (int a = 0; a < 9; ++a) {
            const Agent& agent = s.agent(a);
            const int r = static_cast<int>(agent.retina);
            const Grid<std::int16_t> view = agentView(s, a);
            ASSERT_EQ(view.columns(), 2 * r + 1);
            ASSERT_EQ(view.rows(), 2 * r + 1);
            ViewSums expected;
            for (int i = 0; i <= 2 * r; ++i) {
                for (int j = 0; j <= 2 * r; ++j) {
                    const int cx = agent.x + i - r;
                    const int cy = agent.y + j - r;
                    const std::int16_t cell = s.arena.contains(cx, cy) ? s.arena(cx, cy) : 0;
                    ASSERT_EQ(view(i, j), cell) << "agent " << a << " at " << i << "," << j;
                    if (cell == kTargetCell) {
                        ++expected.seen;
                        expected.sumDX += i - r;
                        expected.sumDY += j - r;
                    }
                }
            }
            const ViewSums& sums = s.viewSums[static_cast<std::size_t>(a)];
            SCOPED_TRACE("agent " + std::to_string(a) + ", retina " + std::to_string(r));
            EXPECT_EQ(sums.seen, expected.seen);
            EXPECT_EQ(sums.sumDX, expected.sumDX);
            EXPECT_EQ(sums.sumDY, expected.sumDY);
            EXPECT_EQ(agent.map(agent.x, agent.y), expected.seen);
            EXPECT_EQ(nonZeroCells(agent.map), expected.seen > 0 ? 1 : 0);
        }
    }
}

// The view is the one perception saw, from where the agent stood, not from where it went.
TEST(Retina, TheViewIsWhereTheAgentLooked) {
    SimState s = makeState(1);
    putTarget(s, 10, 10, 0);
    s.agents[0].x = 14;
    s.agents[0].y = 10;
    updateRetina(s);
    s.agents[0].x = 30;
    EXPECT_EQ(agentView(s, 0)(1, 5), kTargetCell);  // cell (10, 10)
}

// A retina's whole part counts; one more than a quarter above it has no window of that width.
TEST(Retina, AFractionalRetinaCountsUpToAQuarterAboveAWholeNumber) {
    SimState s = makeState(1);
    putTarget(s, 22, 20, 0);
    s.agents[0].x = 20;
    s.agents[0].y = 20;
    setRetina(s.agents[0], 2.25);
    updateRetina(s);
    EXPECT_EQ(s.agents[0].map(20, 20), 1);
    EXPECT_EQ(agentView(s, 0).columns(), 5);
    setRetina(s.agents[0], 2.3);
    EXPECT_TRUE(fixtures::throwsError([&] { updateRetina(s); }, "a view of 6 cells across"));
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
    const Grid<std::int16_t> view = agentView(s, 1);
    EXPECT_EQ(view(10, 10), kTargetCell);  // cell (31, 31)
    EXPECT_EQ(view(9, 9), kTargetCell);    // cell (30, 30)
    EXPECT_EQ(view(8, 9), 0);              // cell (29, 30)
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
    EXPECT_EQ(agentView(s, 2)(0, 0), kTargetCell);
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
