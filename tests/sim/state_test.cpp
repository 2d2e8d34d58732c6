// Tests for reading the parameters and allocating the simulation's structures.
#include "sim/state.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include "network/links.hpp"
#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "sim/error.hpp"
#include "sim/params.hpp"

namespace murelta {
namespace {

using fixtures::allocatedState;
using fixtures::throwsError;

TEST(State, DefaultsAllocateTheDesignedSizes) {
    const SimState s = allocatedState(Params{});
    ASSERT_EQ(s.agents.size(), 11u);
    for (int i = 0; i < 10; ++i) {
        const Agent& a = s.agent(i);
        EXPECT_EQ(a.retina, 5.0);
        EXPECT_EQ(a.map.columns(), 51);
        EXPECT_EQ(a.map.rows(), 51);
        EXPECT_EQ(a.links, std::vector<std::uint8_t>(11, 0));
        EXPECT_EQ(a.rank, 0);
    }
    // The extra record is left as created.
    EXPECT_TRUE(s.agents[10].map.empty());
    EXPECT_TRUE(s.agents[10].links.empty());
    EXPECT_EQ(s.arena.columns(), 51);
    EXPECT_EQ(s.arena.rows(), 51);
    EXPECT_EQ(s.targetSums.columns(), 51);
    EXPECT_EQ(s.targetSums.rows(), 51);
    EXPECT_EQ(s.targets.size(), 2u);
    ASSERT_EQ(s.runStats.size(), 101u);
    for (const RunStatsRow& row : s.runStats) {
        EXPECT_EQ(row, (RunStatsRow{0, 0, 0, 0}));
    }
    EXPECT_EQ(s.exitQuota, 10);
    EXPECT_EQ(s.arenaDiagonal, 70.71067811865476);
    EXPECT_EQ(s.cyclesPerRun, 20000);
    EXPECT_EQ(s.commRadius, 100.0);
    EXPECT_FALSE(s.sameStart);
}

TEST(State, GroupSizeZeroGivesOneRecordAndNoAgents) {
    Params p;
    p.agents = "0";
    const SimState s = allocatedState(p);
    EXPECT_EQ(s.groupSize, 0);
    ASSERT_EQ(s.agents.size(), 1u);
    EXPECT_TRUE(s.agents[0].map.empty());
    EXPECT_EQ(s.exitQuota, 0);
}

TEST(State, FirstOutSetsTheExitQuotaToOne) {
    Params p;
    p.firstOut = true;
    EXPECT_EQ(allocatedState(p).exitQuota, 1);
    p.firstOut = false;
    p.agents = "7";
    EXPECT_EQ(allocatedState(p).exitQuota, 7);
}

TEST(State, HalvesRoundToEvenAndTheDiagonalFollowsTheArena) {
    Params p;
    p.agents = "2.5";
    p.width = "3";
    p.height = "4";
    p.retina = "3.5";
    SimState s = allocatedState(p);
    EXPECT_EQ(s.groupSize, 2);
    EXPECT_EQ(s.retinaRadius, 4);
    EXPECT_EQ(s.agents[0].retina, 4.0);
    EXPECT_EQ(s.arenaDiagonal, 5.0);
    p.agents = "3.5";
    EXPECT_EQ(allocatedState(p).groupSize, 4);
}

TEST(State, ABadBoxStopsTheReadingThereNamingIt) {
    SimState s;
    Params p;
    p.agents = "20";
    p.retina = "3";
    p.width = "32768";
    p.height = "70";
    try {
        readParams(s, p);
        FAIL() << "32768 was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Width"), std::string::npos) << e.what();
    }
    EXPECT_EQ(s.groupSize, 20);  // read before the bad box
    EXPECT_EQ(s.retinaRadius, 3);
    EXPECT_EQ(s.arenaHeight, 50);  // not reached
    EXPECT_TRUE(s.agents.empty());

    p.width = "abc";
    try {
        readParams(s, p);
        FAIL() << "abc was accepted";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Width"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("abc"), std::string::npos) << e.what();
    }
}

TEST(State, RefusesImpossibleSizesWithoutChangingAnything) {
    SimState s = allocatedState(Params{});
    const std::size_t agentsBefore = s.agents.size();
    for (auto change :
         {+[](SimState& t) { t.groupSize = -1; }, +[](SimState& t) { t.targetCount = -2; },
          +[](SimState& t) { t.runCount = -1; }, +[](SimState& t) { t.arenaWidth = -1; },
          +[](SimState& t) { t.retinaRadius = 91; }, +[](SimState& t) { t.retinaRadius = -1; },
          +[](SimState& t) { t.targetSize = -1; },
          +[](SimState& t) {
              t.arenaWidth = 32767;
              t.arenaHeight = 32767;
          },
          // Maps within the limit, but the links and views push the whole past it.
          +[](SimState& t) {
              t.groupSize = 32767;
              t.arenaWidth = 127;
              t.arenaHeight = 127;
          },
          // No agents at all, and an arena alone of a gigabyte.
          +[](SimState& t) {
              t.groupSize = 0;
              t.arenaWidth = 32767;
              t.arenaHeight = 16384;
          }}) {
        SimState t = s;
        change(t);
        EXPECT_THROW(allocateStructures(t), Error);
        EXPECT_EQ(t.agents.size(), agentsBefore);
        EXPECT_EQ(t.arena.columns(), 51);
    }
}

// A refused "Set parameters" may leave groupSize larger than the agents: nothing may then
// write to the group until one succeeds.
TEST(State, ARefusedSetParametersLeavesNothingToWorkOn) {
    SimState s;
    setParameters(s, Params{}, "t");
    for (auto refuse : {+[](Params& p) { p.seed = "abc"; }, +[](Params& p) { p.foods = "-1"; },
                        +[](Params& p) { p.foodSize = "-1"; }}) {
        Params p;
        p.agents = "20";
        refuse(p);
        EXPECT_THROW(setParameters(s, p, "t"), Error);
        EXPECT_EQ(s.groupSize, 20);
        EXPECT_FALSE(hasStructures(s));
        for (auto command :
             {+[](SimState& t) { netAll2All(t); }, +[](SimState& t) { netStar(t); },
              +[](SimState& t) { netCircle(t); }, +[](SimState& t) { clearNet(t); },
              +[](SimState& t) { applyPreset(t, "Tab 10b", "20"); },
              +[](SimState& t) { setBiLink(t, 0, 15); }, +[](SimState& t) { checkCanStart(t); }}) {
            EXPECT_TRUE(throwsError([&] { command(s); }, "\"Set parameters\""));
        }
        setParameters(s, Params{}, "t");
        EXPECT_TRUE(hasStructures(s));
    }
    EXPECT_TRUE(throwsError([&] { setMonoLink(s, 0, 10); }, "no agent 10"));
}

TEST(State, SetRetinaRefusesWhatTheSensingCannotHold) {
    Agent a;
    setRetina(a, 12);
    EXPECT_EQ(a.retina, 12.0);
    setRetina(a, 0);
    EXPECT_THROW(setRetina(a, 91), Error);
    EXPECT_THROW(setRetina(a, -1), Error);
    EXPECT_EQ(a.retina, 0.0);
}

}  // namespace
}  // namespace murelta
