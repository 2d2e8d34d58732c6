// Tests for the agent step: wandering, following leaders, reporting, costs, moving and exits.
#include "behaviour/agent_step.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <cmath>
#include <random>
#include <vector>

#include "behaviour/communication.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "world/retina.hpp"

namespace murelta {
namespace {

SimState makeState(int agents) {
    SimState s = fixtures::allocatedState(agents);
    s.population.assign(100, Individual{{25, 0}, 0.0, 0});
    clearMessages(s);
    for (Agent& a : s.agents) {
        a.inArena = true;
    }
    return s;
}

void place(SimState& s, int a, int x, int y) {
    s.agent(a).x = static_cast<std::int16_t>(x);
    s.agent(a).y = static_cast<std::int16_t>(y);
}

using fixtures::putTarget;

// The messages in the queue, in slot order.
std::vector<Message> queued(const SimState& s) {
    std::vector<Message> result;
    for (int i = 0; i < s.messages.count(); ++i) {
        result.push_back(s.messages.at(i));
    }
    return result;
}

int sign(float u) {
    return u > 0.5f ? 1 : -1;
}

TEST(AgentStep, WanderingIsOneDiagonalStepClampedAtTheBorder) {
    for (std::int16_t seed = 0; seed < 40; ++seed) {
        SimState s = makeState(2);
        s.random.reseed(seed);
        place(s, 0, 10, 10);
        place(s, 1, 0, 0);
        Random expected = s.random;
        const int dx0 = sign(expected.draw());
        const int dy0 = sign(expected.draw());
        const int dx1 = sign(expected.draw());
        const int dy1 = sign(expected.draw());
        updateRetina(s);
        agentsStep(s);
        EXPECT_EQ(s.random, expected);  // two draws per wandering agent, no more
        EXPECT_EQ(s.agents[0].x, 10 + dx0);
        EXPECT_EQ(s.agents[0].y, 10 + dy0);
        EXPECT_EQ(s.agents[1].x, dx1 < 0 ? 0 : 1);
        EXPECT_EQ(s.agents[1].y, dy1 < 0 ? 0 : 1);
        EXPECT_EQ(s.agents[0].timeInArena, 1);
        EXPECT_FALSE(s.agents[0].mapHit);
    }
}

TEST(AgentStep, WandererHeadsSevenCellsOffTheLeadersMean) {
    SimState s = makeState(2);
    s.agents[0].rank = 1;
    place(s, 0, 20, 30);
    place(s, 1, 0, 0);
    Random expected = s.random;
    const int dx = sign(expected.draw());
    const int dy = sign(expected.draw());
    updateRetina(s);
    agentsStep(s);
    // The leader wanders too, heading 7 cells off its own position: one diagonal step.
    EXPECT_EQ(s.agents[0].x, 20 + dx);
    EXPECT_EQ(s.agents[0].y, 30 + dy);
    EXPECT_EQ(s.agents[1].x, 1);
    EXPECT_EQ(s.agents[1].y, 1);
}

TEST(AgentStep, HeadingBetweenTwoCellsLeavesTheAgentInPlace) {
    // With the exploration gene at 0 nobody explores: the follower heads for the leaders' mean.
    SimState s = makeState(3);
    s.expGeneOn = true;
    s.expCostOn = true;
    place(s, 0, 10, 5);
    place(s, 1, 10, 20);
    place(s, 2, 11, 20);
    s.agents[1].rank = 1;
    s.agents[2].rank = 1;
    updateRetina(s);
    agentsStep(s);
    EXPECT_EQ(s.agents[0].x, 10);  // mean column 10.5
    EXPECT_EQ(s.agents[0].y, 6);
    EXPECT_EQ(s.population[0].fitness, 0.0);
}

TEST(AgentStep, ExplorationDrawsAThirdNumberAndIsChargedOnce) {
    SimState s = makeState(1);
    s.expGeneOn = true;
    s.expCostOn = true;
    s.expCost = 2.0;
    s.cyclesPerRun = 8;
    s.agents[0].expGene = 255.0 / 256.0;
    s.agents[0].individual = 7;
    place(s, 0, 25, 25);
    Random expected = s.random;
    expected.draw();
    expected.draw();
    const bool explores = 255.0f / 256.0f > expected.draw();
    updateRetina(s);
    agentsStep(s);
    EXPECT_EQ(s.random, expected);
    EXPECT_EQ(s.population[7].fitness, explores ? -0.25 : 0.0);
    EXPECT_EQ(s.population[0].fitness, 0.0);
}

TEST(AgentStep, ReportsTheCentroidOfTheTargetCellsItSees) {
    SimState s = makeState(2);
    s.agents[0].links[1] = 1;
    place(s, 0, 10, 10);
    place(s, 1, 40, 40);
    putTarget(s, 12, 12, 1);
    updateRetina(s);
    agentsStep(s);
    EXPECT_EQ(s.agents[0].x, 11);
    EXPECT_EQ(s.agents[0].y, 11);
    const std::vector<Message> sent = queued(s);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].x, 12);
    EXPECT_EQ(sent[0].y, 12);
    EXPECT_EQ(sent[0].value, 4);
    EXPECT_EQ(sent[0].sender, 0);
    EXPECT_EQ(sent[0].receiver, 1);
    EXPECT_TRUE(s.agents[0].mapHit);  // perception wrote its count of 4 at its own cell
}

// The centre in whole numbers is the floor of the double arithmetic's: for every small view,
// and for views drawn over a whole int16 arena, with the centre on the arena.
TEST(AgentStep, TheCentreInWholeNumbersIsTheFloorOfTheDoubleCentre) {
    const auto reference = [](int position, int sum, int count) {
        return std::floor(static_cast<double>(position) +
                          static_cast<double>(sum) / static_cast<double>(count));
    };
    // The centre lies on the arena, columns 0 to 32767.
    const auto lowest = [](int position, int count, int most) {
        return std::max(-count * position, -count * most);
    };
    const auto highest = [](int position, int count, int most) {
        return std::min(count * (32767 - position), count * most);
    };
    for (const int position : {0, 7, 32767}) {
        for (int count = 1; count <= 150; ++count) {
            for (int sum = lowest(position, count, 40); sum <= highest(position, count, 40);
                 ++sum) {
                ASSERT_EQ(centreCoordinate(position, sum, count), reference(position, sum, count))
                    << position << " " << sum << " " << count;
            }
        }
    }
    std::mt19937 random(24);
    for (int i = 0; i < 1'000'000; ++i) {
        const int position = std::uniform_int_distribution<int>(0, 32767)(random);
        const int count = std::uniform_int_distribution<int>(1, 181 * 181)(random);
        const int sum = std::uniform_int_distribution<int>(lowest(position, count, 181),
                                                           highest(position, count, 181))(random);
        ASSERT_EQ(centreCoordinate(position, sum, count), reference(position, sum, count))
            << position << " " << sum << " " << count;
    }
}

TEST(AgentStep, ATieGoesToWhatTheAgentSeesAndALargerMapValueWins) {
    for (int mapValue : {4, 5}) {
        SimState s = makeState(2);
        s.agents[0].links[1] = 1;
        place(s, 0, 10, 10);
        place(s, 1, 40, 40);
        putTarget(s, 12, 12, 1);
        updateRetina(s);
        s.agents[0].map.set(3, 30, static_cast<std::int16_t>(mapValue));
        agentsStep(s);
        const std::vector<Message> sent = queued(s);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_TRUE(s.agents[0].mapHit);
        if (mapValue == 4) {
            EXPECT_EQ(sent[0].x, 12);
            EXPECT_EQ(sent[0].value, 4);
            EXPECT_EQ(s.agents[0].x, 11);
        } else {
            EXPECT_EQ(sent[0].x, 3);
            EXPECT_EQ(sent[0].y, 30);
            EXPECT_EQ(sent[0].value, 5);
            EXPECT_EQ(s.agents[0].x, 9);
            EXPECT_EQ(s.agents[0].y, 11);
        }
    }
}

TEST(AgentStep, ReportsTheFirstBestMapCellAndHeadsForIt) {
    SimState s = makeState(2);
    s.agents[0].links[1] = 1;
    place(s, 0, 20, 20);
    place(s, 1, 40, 40);
    updateRetina(s);
    s.agents[0].map.set(7, 9, 3);
    s.agents[0].map.set(30, 2, 3);
    s.agents[0].map.set(7, 12, 3);
    const Random before = s.random;
    agentsStep(s);
    const std::vector<Message> sent = queued(s);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].x, 7);
    EXPECT_EQ(sent[0].y, 9);
    EXPECT_EQ(sent[0].value, 3);
    EXPECT_EQ(s.agents[0].x, 19);
    EXPECT_EQ(s.agents[0].y, 19);
    // Agent 0 drew nothing; agent 1 wandered with two draws.
    Random expected = before;
    expected.draw();
    expected.draw();
    EXPECT_EQ(s.random, expected);
}

TEST(AgentStep, SendsOnlyToLinkedAgentsInRangeAndChargesPerMessage) {
    SimState s = makeState(5);
    s.commRadius = 20.0;
    s.comCostOn = true;
    s.comCost = 3.0;
    s.cyclesPerRun = 100;
    s.agents[0].individual = 4;
    for (int k : {0, 1, 2, 4}) {
        s.agents[0].links[static_cast<std::size_t>(k)] = 1;  // a self link reaches itself too
    }
    place(s, 0, 10, 10);
    place(s, 1, 12, 10);
    place(s, 2, 45, 45);  // linked but out of range
    place(s, 3, 11, 11);  // in range but not linked
    place(s, 4, 10, 29);
    putTarget(s, 10, 10, 0);
    updateRetina(s);
    agentsStep(s);
    std::vector<int> receivers;
    for (const Message& m : queued(s)) {
        if (m.sender == 0) {
            receivers.push_back(m.receiver);
        }
    }
    EXPECT_EQ(receivers, (std::vector<int>{0, 1, 4}));
    EXPECT_DOUBLE_EQ(s.population[4].fitness, -3 * 3.0 / 100);
}

TEST(AgentStep, CommunicationGeneDrawsOncePerEligibleReceiver) {
    SimState s = makeState(4);
    s.comGeneOn = true;
    s.agents[0].comGene = 0.5;
    for (int k = 1; k < 4; ++k) {
        s.agents[0].links[static_cast<std::size_t>(k)] = 1;
        place(s, k, 40, 40 + k);
    }
    place(s, 0, 10, 10);
    putTarget(s, 10, 10, 0);
    updateRetina(s);
    Random expected = s.random;
    std::vector<int> receivers;
    for (int k = 1; k < 4; ++k) {
        if (0.5f > expected.draw()) {
            receivers.push_back(k);
        }
    }
    const std::vector<Message> before = queued(s);
    ASSERT_TRUE(before.empty());
    agentsStep(s);
    std::vector<int> actual;
    for (const Message& m : queued(s)) {
        actual.push_back(m.receiver);
    }
    EXPECT_EQ(actual, receivers);
}

TEST(AgentStep, NoReceiverInRangeCostsNothing) {
    SimState s = makeState(2);
    s.commRadius = 5.0;
    s.comCostOn = true;
    s.agents[0].links[1] = 1;
    place(s, 0, 10, 10);
    place(s, 1, 40, 40);
    putTarget(s, 10, 10, 0);
    updateRetina(s);
    agentsStep(s);
    EXPECT_EQ(s.messages.count(), 0);
    EXPECT_EQ(s.population[0].fitness, 0.0);
}

TEST(AgentStep, LeavesTheArenaOnATargetWithoutCountingThatCycle) {
    SimState s = makeState(1);
    place(s, 0, 10, 10);
    putTarget(s, 11, 11, 1);
    s.agents[0].timeInArena = 40;
    updateRetina(s);
    agentsStep(s);
    EXPECT_EQ(s.agents[0].x, 11);
    EXPECT_FALSE(s.agents[0].inArena);
    EXPECT_EQ(s.agents[0].timeInArena, 40);
    // It goes on acting: it stands on the block's corner and heads for the block's centroid.
    updateRetina(s);
    agentsStep(s);
    EXPECT_FALSE(s.agents[0].inArena);
    EXPECT_EQ(s.agents[0].timeInArena, 40);
}

TEST(AgentStep, StandingOnAOneCellTargetReportsItsOwnCellAndStays) {
    SimState s = makeState(2);
    s.agents[0].links[1] = 1;
    place(s, 0, 50, 50);  // the last column and row are on the arena
    place(s, 1, 0, 0);
    putTarget(s, 50, 50, 0);
    updateRetina(s);
    agentsStep(s);
    EXPECT_EQ(s.agents[0].x, 50);
    EXPECT_EQ(s.agents[0].y, 50);
    EXPECT_FALSE(s.agents[0].inArena);
    ASSERT_EQ(s.messages.count(), 1);
    EXPECT_EQ(s.messages.at(0).x, 50);
    EXPECT_EQ(s.messages.at(0).value, 1);
}

}  // namespace
}  // namespace murelta
