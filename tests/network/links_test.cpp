// Tests for the link model: topologies, the two-agent link commands and the random network.
#include "network/links.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

SimState makeState(int agents) {
    return fixtures::allocatedState(agents);
}

// Row i holds agent i's links to agents 0..groupSize-1, as '0' and '1'.
std::vector<std::string> matrix(const SimState& s) {
    std::vector<std::string> rows;
    for (int i = 0; i < s.groupSize; ++i) {
        std::string row;
        for (int j = 0; j < s.groupSize; ++j) {
            row += static_cast<char>('0' + s.agent(i).links[static_cast<std::size_t>(j)]);
        }
        rows.push_back(row);
    }
    return rows;
}

// Every entry 1, the unused last column included, as hand-made links would leave them.
void fillLinks(SimState& s) {
    for (int i = 0; i < s.groupSize; ++i) {
        auto& links = s.agent(i).links;
        std::fill(links.begin(), links.end(), std::uint8_t{1});
    }
}

const std::vector<std::string> kAll2All = {
    "0111111111", "1011111111", "1101111111", "1110111111", "1111011111",
    "1111101111", "1111110111", "1111111011", "1111111101", "1111111110",
};

TEST(Links, TopologiesOnTenAgentsReplaceEarlierLinks) {
    const std::vector<std::string> circle = {
        "0100000001", "1010000000", "0101000000", "0010100000", "0001010000",
        "0000101000", "0000010100", "0000001010", "0000000101", "1000000010",
    };
    const std::vector<std::string> star = {
        "0111111111", "1000000000", "1000000000", "1000000000", "1000000000",
        "1000000000", "1000000000", "1000000000", "1000000000", "1000000000",
    };
    const std::vector<std::string> none(10, "0000000000");
    struct Case {
        void (*apply)(SimState&);
        const std::vector<std::string>& expected;
    };
    for (const Case& c : {Case{netAll2All, kAll2All}, Case{netCircle, circle}, Case{netStar, star},
                          Case{clearNet, none}}) {
        SimState s = makeState(10);
        fillLinks(s);
        c.apply(s);
        EXPECT_EQ(matrix(s), c.expected);
        EXPECT_EQ(s.agents[3].links[10], 1) << "the entry past the group is not the net's";
    }
}

TEST(Links, TinyGroups) {
    SimState two = makeState(2);
    netCircle(two);
    EXPECT_EQ(matrix(two), (std::vector<std::string>{"01", "10"}));
    netStar(two);
    EXPECT_EQ(matrix(two), (std::vector<std::string>{"01", "10"}));

    SimState one = makeState(1);
    netAll2All(one);
    EXPECT_EQ(matrix(one), std::vector<std::string>{"0"});
    netStar(one);
    EXPECT_EQ(matrix(one), std::vector<std::string>{"0"});
    netCircle(one);
    EXPECT_EQ(matrix(one), std::vector<std::string>{"1"});

    SimState none = makeState(0);
    const Random before = none.random;
    clearNet(none);
    netAll2All(none);
    netCircle(none);
    netStar(none);
    randomNet(none);
    EXPECT_TRUE(none.agents[0].links.empty());
    EXPECT_EQ(none.random, before);
}

TEST(Links, MonoLinkKeepsOnlyTheFirstPickSending) {
    SimState s = makeState(3);
    setBiLink(s, 0, 1);
    setMonoLink(s, 0, 1);
    EXPECT_EQ(matrix(s), (std::vector<std::string>{"010", "000", "000"}));
    setMonoLink(s, 1, 0);
    EXPECT_EQ(matrix(s), (std::vector<std::string>{"000", "100", "000"}));
    setBiLink(s, 2, 1);
    deleteLink(s, 1, 2);
    EXPECT_EQ(matrix(s), (std::vector<std::string>{"000", "100", "000"}));
}

TEST(Links, BothPicksOnOneAgent) {
    SimState s = makeState(3);
    setMonoLink(s, 1, 1);
    EXPECT_EQ(s.agents[1].links[1], 0);
    setBiLink(s, 1, 1);
    EXPECT_EQ(s.agents[1].links[1], 1);
    deleteLink(s, 1, 1);
    EXPECT_EQ(s.agents[1].links[1], 0);
    setBiLink(s, 1, 1);
    clearNet(s);
    EXPECT_EQ(s.agents[1].links[1], 0);
}

TEST(Links, RandomNetWithCertainProbabilities) {
    SimState s = makeState(10);
    Random expected = s.random;
    for (int k = 0; k < 180; ++k) {
        expected.draw();
    }
    s.pConnection = 1.0;
    randomNet(s);
    EXPECT_EQ(matrix(s), kAll2All);
    s.pConnection = 0.0;
    randomNet(s);
    EXPECT_EQ(matrix(s), std::vector<std::string>(10, "0000000000"));
    EXPECT_EQ(s.random, expected) << "90 draws each, without reseeding";
}

TEST(Links, RandomNetDrawsOnePerOrderedPairRowsFirst) {
    SimState s = makeState(10);
    s.random.reseed(7);
    s.pConnection = 0.5;
    s.agents[4].links[4] = 1;
    Random replay = s.random;
    randomNet(s);
    for (std::size_t i = 0; i < 10; ++i) {
        for (std::size_t j = 0; j < 10; ++j) {
            if (i != j) {
                EXPECT_EQ(s.agents[i].links[j], 0.5f > replay.draw() ? 1 : 0) << i << "->" << j;
            }
        }
    }
    EXPECT_EQ(s.random, replay);
    EXPECT_EQ(s.agents[4].links[4], 1) << "self links are not drawn";
}

TEST(Links, RandomNetComparesInSinglePrecision) {
    SimState s = makeState(2);
    Random peek = s.random;
    const float first = peek.draw();
    ASSERT_GT(first, 0.0f);
    // Above the draw in double precision, equal to it in single precision.
    s.pConnection = std::nextafter(static_cast<double>(first), 2.0);
    randomNet(s);
    EXPECT_EQ(s.agents[0].links[1], 0);
}

}  // namespace
}  // namespace murelta
