// Tests for clearing the arena, placing targets and agents, and marking targets.
#include "world/arena.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <algorithm>
#include <cmath>

#include "sim/error.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

SimState makeState(Params p) {
    SimState s = fixtures::allocatedState(p);
    s.random.reset();
    s.random.reseed(1);
    s.random.reseed(1);
    return s;
}

int targetCells(const SimState& s) {
    int count = 0;
    for (std::int16_t cell : s.arena.cells()) {
        count += cell == kTargetCell ? 1 : 0;
    }
    return count;
}

// The target cells as perception finds them: the sums over a square that covers the arena.
int summedCells(const SimState& s) {
    return s.targetSums.around(0, 0, std::max(s.arena.columns(), s.arena.rows())).count;
}

std::int16_t coordinate(Random& r, int n) {
    return static_cast<std::int16_t>(std::floor(static_cast<double>(r.draw()) * n));
}

TEST(Arena, PlacesTargetsThenAgentsInDrawOrder) {
    Params p;
    p.foods = "3";
    p.foodSize = "2";
    p.agents = "4";
    SimState s = makeState(p);
    Random expected = s.random;
    placeTargets(s);
    placeAgents(s);
    for (int t = 0; t < 3; ++t) {
        EXPECT_EQ(s.targets[static_cast<std::size_t>(t)].size, 2);
        EXPECT_EQ(s.targets[static_cast<std::size_t>(t)].x, coordinate(expected, 48));
        EXPECT_EQ(s.targets[static_cast<std::size_t>(t)].y, coordinate(expected, 48));
    }
    for (int i = 0; i < 4; ++i) {
        const Agent& a = s.agent(i);
        EXPECT_EQ(a.x, coordinate(expected, 50));
        EXPECT_EQ(a.y, coordinate(expected, 50));
        EXPECT_TRUE(a.inArena);
        EXPECT_EQ(a.timeInArena, 0);
    }
    EXPECT_EQ(s.random, expected);
}

TEST(Arena, SameStartDrawsExactlyTwoNumbersForAnyGroupSize) {
    for (const char* agents : {"1", "10", "50"}) {
        Params p;
        p.agents = agents;
        p.sameStart = true;
        SimState s = makeState(p);
        Random expected = s.random;
        s.agents[1 % s.groupSize].inArena = false;
        s.agents[0].timeInArena = 77;
        placeAgents(s);
        const std::int16_t x = coordinate(expected, 50);
        const std::int16_t y = coordinate(expected, 50);
        EXPECT_EQ(s.random, expected) << agents << " agents";
        for (int i = 0; i < s.groupSize; ++i) {
            const Agent& a = s.agent(i);
            EXPECT_EQ(a.x, x);
            EXPECT_EQ(a.y, y);
            EXPECT_TRUE(a.inArena);
            EXPECT_EQ(a.timeInArena, 0);
        }
    }
}

TEST(Arena, DefaultTargetCoversFourCellsInsideTheLastRowAndColumn) {
    for (std::int16_t seed = 0; seed < 200; ++seed) {
        SimState s = makeState(Params{});
        s.random.reseed(seed);
        clearArena(s);
        placeTargets(s);
        markTargets(s);
        EXPECT_GE(s.targets[0].x, 0);
        EXPECT_LE(s.targets[0].x, 48);
        EXPECT_LE(s.targets[0].y, 48);
        ASSERT_EQ(targetCells(s), 4);
        EXPECT_EQ(s.arena(s.targets[0].x + 1, s.targets[0].y + 1), kTargetCell);
    }
}

TEST(Arena, OverlappingTargetsMarkOneBlockAndSizeZeroMarksOneCell) {
    SimState s = makeState(Params{});
    s.targetCount = 2;
    s.targets.assign(3, Target{});
    s.targets[0] = {10, 10, 2};
    s.targets[1] = {11, 11, 2};
    markTargets(s);
    EXPECT_EQ(targetCells(s), 9 + 9 - 4);
    EXPECT_EQ(summedCells(s), 9 + 9 - 4);
    clearArena(s);
    EXPECT_EQ(targetCells(s), 0);
    EXPECT_EQ(summedCells(s), 0);
    s.targets[0] = {10, 10, 0};
    s.targets[1] = {10, 10, 0};
    markTargets(s);
    EXPECT_EQ(targetCells(s), 1);
    EXPECT_EQ(summedCells(s), 1);
    EXPECT_EQ(s.arena(10, 10), kTargetCell);
}

TEST(Arena, NoTargetsLeaveTheArenaEmpty) {
    Params p;
    p.foods = "0";
    SimState s = makeState(p);
    const Random before = s.random;
    placeTargets(s);
    markTargets(s);
    EXPECT_EQ(targetCells(s), 0);
    EXPECT_EQ(s.random, before);
}

TEST(Arena, TargetAsWideAsTheArenaSpansItAndALargerOneIsRefused) {
    Params p;
    p.width = "10";
    p.height = "20";
    p.foodSize = "10";
    SimState s = makeState(p);
    placeTargets(s);
    markTargets(s);
    EXPECT_EQ(s.targets[0].x, 0);
    EXPECT_EQ(s.arena(10, s.targets[0].y), kTargetCell);

    s.targetSize = 11;
    s.targets[0] = {3, 4, 1};
    const Random before = s.random;
    try {
        placeTargets(s);
        FAIL() << "a target wider than the arena was placed";
    } catch (const Error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("11"), std::string::npos) << message;
        EXPECT_NE(message.find("10"), std::string::npos) << message;
    }
    EXPECT_EQ(s.targets[0].x, 3);
    EXPECT_EQ(s.targets[0].size, 1);
    EXPECT_EQ(s.random, before);
}

}  // namespace
}  // namespace murelta
