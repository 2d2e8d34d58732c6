// Tests for the paper presets: each item's range, links, leader and enlarged retina.
#include "network/presets.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <string>
#include <vector>

#include "network/links.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

// A state with a random network to be replaced and the default retina of 5.
SimState makeState(int agents) {
    Params p;
    p.agents = std::to_string(agents);
    p.pConnection = "0.5";
    SimState s = fixtures::allocatedState(p);
    randomNet(s);
    return s;
}

// One field of every agent record, the unused last one included.
template <typename T>
std::vector<T> each(const SimState& s, T Agent::*field) {
    std::vector<T> values;
    for (const Agent& agent : s.agents) {
        values.push_back(agent.*field);
    }
    return values;
}

constexpr int kNobody = -1;

struct Row {
    const char* item;
    double radius;
    void (*net)(SimState&);
    bool leader;
    int retinaOf10;  // the agent given retina 15 in a group of 10
    int retinaOf50;
};

const Row kRows[] = {
    {"None", 100, clearNet, false, kNobody, kNobody},
    {"Tab 1", 100, clearNet, false, kNobody, kNobody},
    {"Tab 2", 100, clearNet, true, kNobody, kNobody},
    {"Tab 3", 100, clearNet, false, 0, 0},
    {"Tab 4", 100, clearNet, true, 0, 0},
    {"Tab 5", 100, clearNet, true, 5, 25},
    {"Tab 6a", 100, netAll2All, false, kNobody, kNobody},
    {"Tab 6b", 100, netStar, false, kNobody, kNobody},
    {"Tab 6c", 100, netCircle, false, kNobody, kNobody},
    {"Tab 7", 20, clearNet, false, kNobody, kNobody},
    {"Tab 8", 100, netAll2All, true, kNobody, kNobody},
    {"Tab 9", 100, netAll2All, false, 0, 0},
    {"Tab 10a", 100, netAll2All, true, 0, 0},
    {"Tab 10b", 100, netAll2All, true, 5, 25},
    {"Tab 11a", 20, netAll2All, true, kNobody, kNobody},
    {"Tab 11b", 20, netAll2All, true, 0, 0},
    {"Tab 11c", 20, netAll2All, true, 5, 25},
    {"Tab 12", 20, netAll2All, false, 5, 25},
};

TEST(Presets, EveryItemOnTenAndFiftyAgents) {
    ASSERT_EQ(std::size(kRows), kPresetNames.size());
    for (std::size_t r = 0; r < std::size(kRows); ++r) {
        const Row& row = kRows[r];
        EXPECT_EQ(row.item, kPresetNames[r]);
        for (int n : {10, 50}) {
            SCOPED_TRACE(std::string(row.item) + " on " + std::to_string(n));
            SimState s = makeState(n);
            s.commRadius = 35;
            SimState expected = s;
            row.net(expected);
            applyPreset(s, row.item, std::to_string(n));

            EXPECT_EQ(s.commRadius, row.radius);
            EXPECT_EQ(each(s, &Agent::links), each(expected, &Agent::links));
            for (int i = 0; i < n; ++i) {
                const Agent& agent = s.agent(i);
                EXPECT_EQ(agent.rank, row.leader && i == 0 ? 1 : 0) << "agent " << i;
                const bool enlarged = i == (n == 10 ? row.retinaOf10 : row.retinaOf50);
                EXPECT_EQ(agent.retina, enlarged ? 15.0 : 5.0) << "agent " << i;
            }
        }
    }
}

TEST(Presets, MissingMiddleAgentIsSkipped) {
    struct Case {
        int agents;
        const char* text;
    };
    // A group of 5 named as 10 would put the middle agent on the unused record past the group.
    for (const Case& c : {Case{20, "20"}, Case{10, "50"}, Case{5, "10"}, Case{10, "ten"}}) {
        SCOPED_TRACE(std::to_string(c.agents) + " agents, text " + c.text);
        SimState s = makeState(c.agents);
        applyPreset(s, "Tab 11c", c.text);
        SimState expected = makeState(c.agents);
        netAll2All(expected);
        expected.agents[0].rank = 1;
        EXPECT_EQ(s.commRadius, kSpaceDependentRadius);
        EXPECT_EQ(each(s, &Agent::links), each(expected, &Agent::links));
        EXPECT_EQ(each(s, &Agent::rank), each(expected, &Agent::rank));
        EXPECT_EQ(each(s, &Agent::retina), each(expected, &Agent::retina));
    }
}

TEST(Presets, AgentCountTextIsReadAsANumber) {
    SimState s = makeState(10);
    applyPreset(s, "Tab 12", " 10.0 ");
    EXPECT_EQ(s.agents[5].retina, kPresetRetina);
}

TEST(Presets, LeadersAndRetinasAccumulate) {
    SimState s = makeState(10);
    applyPreset(s, "Tab 2", "10");
    applyPreset(s, "Tab 3", "10");
    EXPECT_EQ(s.agents[0].rank, 1);
    EXPECT_EQ(s.agents[0].retina, 15.0);

    s.agents[7].rank = 1;
    applyPreset(s, "Tab 12", "10");
    EXPECT_EQ(s.agents[0].rank, 1);
    EXPECT_EQ(s.agents[7].rank, 1);
    EXPECT_EQ(s.agents[0].retina, 15.0);
    EXPECT_EQ(s.agents[5].retina, 15.0);
}

TEST(Presets, NoneAndUnknownItemsOnlyClearLinksAndTheRange) {
    for (const char* item : {"None", "tab 1", "Paper Presets"}) {
        SCOPED_TRACE(item);
        SimState s = makeState(10);
        setBiLink(s, 3, 3);
        s.commRadius = 20;
        s.agents[2].rank = 1;
        setRetina(s.agents[4], 9);
        applyPreset(s, item, "10");
        SimState expected = makeState(10);
        clearNet(expected);
        expected.agents[2].rank = 1;
        setRetina(expected.agents[4], 9);
        EXPECT_EQ(s.commRadius, kSpaceIndependentRadius);
        EXPECT_EQ(each(s, &Agent::links), each(expected, &Agent::links));
        EXPECT_EQ(each(s, &Agent::rank), each(expected, &Agent::rank));
        EXPECT_EQ(each(s, &Agent::retina), each(expected, &Agent::retina));
    }
}

TEST(Presets, EmptyGroupGetsOnlyTheRange) {
    SimState s = makeState(0);
    applyPreset(s, "Tab 11b", "10");
    EXPECT_EQ(s.commRadius, kSpaceDependentRadius);
    EXPECT_EQ(s.agents[0].rank, 0);
    EXPECT_EQ(s.agents[0].retina, 0.0);
}

}  // namespace
}  // namespace murelta
