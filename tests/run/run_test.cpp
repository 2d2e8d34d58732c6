// Tests for the run driver: whole simulations, stopping, the run-end message and the checks
// made before a simulation starts.
#include "run/run.hpp"
#include "run/data_file.hpp"
#include "support/test_host.hpp"

#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "sim/error.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

#ifndef MURELTA_TEST_DATA
#error "MURELTA_TEST_DATA must name the folder of expected files"
#endif

namespace murelta {
namespace {

constexpr auto readAll = fixtures::readFile;

struct Start {
    std::int16_t run;
    std::vector<std::pair<int, int>> agents;
};

// Records what the driver shows and can press "Stop" during a given run and cycle.
class RecordingHost : public fixtures::TestHost {
  public:
    RecordingHost(SimState& s, std::filesystem::path directory)
        : s_(s), directory_(std::move(directory)) {}

    void showProgress(std::int16_t run, std::int16_t, std::int16_t cycle, std::int16_t) override {
        run_ = run;
        cycle_ = cycle;
        ++cycles;
    }
    void showTotalFitness(double value) override { totalFitness.push_back(value); }
    void setRunningControls(bool running) override { controls.push_back(running); }
    void initGraphic() override {
        Start start{static_cast<std::int16_t>(run_), {}};
        for (int i = 0; i < s_.groupSize; ++i) {
            start.agents.emplace_back(s_.agent(i).x, s_.agent(i).y);
        }
        starts.push_back(start);
    }
    bool graphicsEnabled() override { return graphics; }
    void yield() override {
        if (run_ == stopRun && cycle_ == stopCycle) {
            s_.running = false;
        }
    }
    void runFinished() override { ++runEndMessages; }
    std::filesystem::path dataDirectory() override { return directory_; }
    void dataFileWritten(const std::filesystem::path& path, const std::string& message,
                         bool isComplete, bool) override {
        written = path;
        report = message;
        complete = isComplete;
    }

    bool graphics = false;
    int stopRun = -1;
    int stopCycle = -1;
    long cycles = 0;
    int runEndMessages = 0;
    std::vector<double> totalFitness;
    std::vector<bool> controls;
    std::vector<Start> starts;
    std::filesystem::path written;
    std::string report;
    bool complete = false;

  private:
    SimState& s_;
    std::filesystem::path directory_;
    int run_ = 0;
    int cycle_ = 0;
};

class RunTest : public ::testing::Test {
  protected:
    // "Set parameters" without the random network: every agent linked to every other.
    SimState prepare(const Params& p) {
        SimState s = fixtures::allocatedState(p);
        for (int i = 0; i < s.groupSize; ++i) {
            for (int j = 0; j < s.groupSize; ++j) {
                s.agent(i).links[static_cast<std::size_t>(j)] = i == j ? 0 : 1;
            }
        }
        s.dataFileName = makeDataFileName(p, kDefaultLabel);
        return s;
    }

    // A small world in which agents find the target in some runs and not in others.
    static Params smallWorld() {
        Params p;
        p.agents = "4";
        p.width = "20";
        p.height = "20";
        p.cycles = "300";
        p.runs = "6";
        p.retina = "3";
        return p;
    }

    fixtures::TempDir temp_;
    const std::filesystem::path& dir_ = temp_.path();
};

TEST_F(RunTest, SmallSimulationWritesTheExpectedFile) {
    SimState s = fixtures::keptFileState();
    RecordingHost host(s, dir_);
    fixtures::runWith(s, host);
    EXPECT_TRUE(host.complete);
    EXPECT_EQ(host.written.filename(), "murData_small_w40x40_c30_r8_ag10_s3.xls");
    EXPECT_EQ(readAll(host.written), readAll(fixtures::keptFilePath()));
    EXPECT_EQ(host.controls.back(), false);
    EXPECT_FALSE(s.running);
}

TEST_F(RunTest, SameSeedSameResultsAndAnotherSeedOthers) {
    Params p = smallWorld();
    p.expGeneOn = true;
    p.comGeneOn = true;
    p.generations = "2";
    std::vector<std::vector<double>> fitness;
    for (const char* seed : {"5", "5", "6"}) {
        p.seed = seed;
        SimState s = prepare(p);
        RecordingHost host(s, dir_);
        fixtures::runWith(s, host);
        fitness.push_back(host.totalFitness);
        EXPECT_TRUE(host.written.empty());  // no file for two generations
    }
    EXPECT_EQ(fitness[0].size(), 2u);
    EXPECT_EQ(fitness[0], fitness[1]);
    EXPECT_NE(fitness[0], fitness[2]);
}

TEST_F(RunTest, EachRunNumberStartsTheSameWorldInEveryGeneration) {
    Params p = smallWorld();
    p.generations = "2";
    p.runs = "3";
    SimState s = prepare(p);
    RecordingHost host(s, dir_);
    fixtures::runWith(s, host);
    ASSERT_EQ(host.starts.size(), 6u);
    for (std::size_t r = 0; r < 3; ++r) {
        EXPECT_EQ(host.starts[r].agents, host.starts[r + 3].agents);
    }
    EXPECT_NE(host.starts[0].agents, host.starts[1].agents);
}

TEST_F(RunTest, RunEndMessageOnlyWithGraphicsAndMoreThanOneRun) {
    for (auto [runs, graphics, expected] :
         {std::tuple{"3", true, 3}, std::tuple{"1", true, 0}, std::tuple{"3", false, 0}}) {
        Params p = smallWorld();
        p.runs = runs;
        p.cycles = "20";
        SimState s = prepare(p);
        RecordingHost host(s, dir_);
        host.graphics = graphics;
        fixtures::runWith(s, host);
        EXPECT_EQ(host.runEndMessages, expected) << runs << " runs";
    }
}

TEST_F(RunTest, AFullRunHasCyclesPlusOneCyclesAndFirstOutEndsEarly) {
    Params p = smallWorld();
    p.foods = "0";
    p.runs = "2";
    SimState s = prepare(p);
    RecordingHost host(s, dir_);
    fixtures::runWith(s, host);
    EXPECT_EQ(host.cycles, 2 * 301);
    EXPECT_EQ(s.runStats[1], (RunStatsRow{1, 300, 301, 0}));

    p = smallWorld();
    p.firstOut = true;
    s = prepare(p);
    RecordingHost first(s, dir_);
    fixtures::runWith(s, first);
    for (int r = 0; r < 6; ++r) {
        const RunStatsRow& row = s.runStats[static_cast<std::size_t>(r)];
        if (row[kPercentOut] > 0) {
            EXPECT_EQ(row[kPercentOut], 25.0);  // exactly one agent out when the run ended
            EXPECT_EQ(row[kLastExit], row[kFirstExit] + 1);
        }
    }
}

TEST_F(RunTest, StopClosesTheRunAfterTheNextCycleAndZeroesTheRowsNotRun) {
    Params p = smallWorld();
    p.foods = "0";  // nobody leaves, so every run lasts its 301 cycles
    SimState s = prepare(p);
    RecordingHost full(s, dir_);
    fixtures::runWith(s, full);  // leaves six non-zero rows behind

    RecordingHost host(s, dir_);
    host.stopRun = 2;
    host.stopCycle = 40;
    fixtures::runWith(s, host);
    EXPECT_EQ(host.cycles, 301 + 42);
    EXPECT_EQ(s.runStats[1], (RunStatsRow{1, 42, 42, 0}));
    for (int r = 2; r < 6; ++r) {
        EXPECT_EQ(s.runStats[static_cast<std::size_t>(r)], (RunStatsRow{0, 0, 0, 0}));
    }
    EXPECT_FALSE(host.complete);
    EXPECT_NE(host.report.find("saved data are not completed!"), std::string::npos);
    EXPECT_EQ(host.totalFitness.size(), 1u);  // the generation was closed
    const std::string text = readAll(host.written);
    EXPECT_TRUE(text.ends_with("\r\n0\t0\t0\t0\r\n0\t0\t0\t0\r\n")) << text;
}

TEST_F(RunTest, GenerationsEvolveTheGenes) {
    Params p = smallWorld();
    p.generations = "5";
    p.runs = "10";
    p.cycles = "150";
    p.expGeneOn = true;
    p.comGeneOn = true;
    p.expCostOn = true;
    p.comCostOn = true;
    SimState s = prepare(p);
    RecordingHost host(s, dir_);
    fixtures::runWith(s, host);
    EXPECT_EQ(host.totalFitness.size(), 5u);
    int changed = 0;
    for (const Individual& individual : s.population) {
        changed += individual.genes[0] != 25 || individual.genes[1] != 0 ? 1 : 0;
    }
    EXPECT_GT(changed, 0);
}

TEST_F(RunTest, RefusesToStartWhatCouldNotRunToItsEnd) {
    const auto refused = [&](Params p, const char* expected) {
        SimState s = prepare(p);
        RecordingHost host(s, dir_);
        try {
            fixtures::runWith(s, host);
            ADD_FAILURE() << "started: " << expected;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
        }
        EXPECT_TRUE(host.controls.empty());
        EXPECT_EQ(host.cycles, 0);
        EXPECT_FALSE(s.running);
    };
    Params p = smallWorld();
    p.agents = "0";
    refused(p, "Group size");
    p = smallWorld();
    p.seed = "32760";
    p.runs = "8";
    refused(p, "Initial Seed");
    p = smallWorld();
    p.cycles = "32767";
    refused(p, "Cycles");
    p = smallWorld();
    p.cycles = "0";
    p.comCostOn = true;
    refused(p, "Cycles");
    p = smallWorld();
    p.foodSize = "21";
    refused(p, "Foods size");
    // Parameters changed after the structures were made.
    SimState s = prepare(smallWorld());
    s.groupSize = 5;
    EXPECT_THROW(checkCanStart(s), Error);
}

// Before a start the memory of the whole simulation is counted, not one copy of the state: a
// copy per thread besides the state itself, and the row of every run of every generation.
TEST(MemoryLimit, CountsEveryThreadsCopyAndTheResults) {
    SimState s;
    s.groupSize = 24000;  // links alone of some 550 MB a copy
    s.arenaWidth = 0;
    s.arenaHeight = 0;
    s.targetCount = 0;
    s.runCount = 8;
    const double copy = structureBytes(s);
    EXPECT_GT(copy, 24000.0 * 24001.0);
    EXPECT_GE(simulationBytes(s, 2), 3 * copy);
    EXPECT_LT(simulationBytes(s, 1), 1.1 * copy);
    // Three copies fit, four do not: two of the eight threads asked; as many as asked when they
    // fit.
    EXPECT_EQ(threadsThatFit(s, 8), 2);
    s.groupSize = 100;
    EXPECT_EQ(threadsThatFit(s, 8), 8);

    s.groupSize = 1;
    s.runCount = 32767;
    s.generationCount = 16000;  // 16 GB of results
    EXPECT_GT(simulationBytes(s, 1), 32767.0 * 16000 * sizeof(RunStatsRow));
    EXPECT_TRUE(fixtures::throwsError([&] { threadsThatFit(s, 1); },
                                      "Make Group size, Width, Height, Runs or Generations"));
}

// Loop counters and use counts must not wrap at their type's maximum: 32767 runs, and
// individuals drawn more than 32767 times. Every agent is out in cycle 0 and earns exactly 1.
TEST_F(RunTest, CountsRunsAndUsesBeyond16Bits) {
    Params p;
    p.agents = "110";
    p.width = "1";
    p.height = "1";
    p.cycles = "5";
    p.runs = "32767";
    p.expGeneOn = true;
    SimState s = prepare(p);
    RecordingHost host(s, dir_);
    fixtures::runWith(s, host);
    EXPECT_EQ(host.cycles, 32767);
    EXPECT_EQ(s.runStats[32766][kRunIndex], 32766);
    EXPECT_EQ(host.totalFitness.back(), 1.0);
}

TEST_F(RunTest, ALabelThatCannotNameAFileIsRefusedBeforeTheFirstRun) {
    SimState s = prepare(smallWorld());
    RecordingHost host(s, dir_);
    s.dataFileName = "murData_a/b";
    EXPECT_TRUE(fixtures::throwsError([&] { fixtures::runWith(s, host); }, "murData_a/b.xls"));
    s.dataFileName = "murData_" + std::string(250, 'x');
    EXPECT_TRUE(fixtures::throwsError([&] { fixtures::runWith(s, host); }, "shorter label"));
    EXPECT_EQ(host.cycles, 0);
}

TEST_F(RunTest, NoGenerationsAreRefusedBeforeAnythingRuns) {
    for (const char* generations : {"0", "-1"}) {
        Params p = smallWorld();
        p.generations = generations;
        SimState s = prepare(p);
        RecordingHost host(s, dir_);
        EXPECT_TRUE(fixtures::throwsError([&] { fixtures::runWith(s, host); },
                                          "Generations must be at least 1"));
        EXPECT_TRUE(s.population.empty());
        EXPECT_EQ(host.cycles, 0);
    }
}

}  // namespace
}  // namespace murelta
