// Runs on several threads: the data file, the table of runs and Total Fitness must be the same,
// to the bit, for every thread count, also for a simulation stopped after a few runs.
#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include "experiment/experiment.hpp"
#include "experiment/record.hpp"
#include "run/data_file.hpp"
#include "sim/state.hpp"
#include "support/test_host.hpp"

namespace murelta {
namespace {

// Writes into a folder, keeps Total Fitness, and presses "Stop" once `stopAfter` runs of the
// first generation are done.
class Host : public fixtures::TestHost {
  public:
    Host(SimState& s, std::filesystem::path folder, int stopAfter)
        : s_(s), folder_(std::move(folder)), stopAfter_(stopAfter) {}
    std::filesystem::path dataDirectory() override { return folder_; }
    void showTotalFitness(double value) override { totalFitness.push_back(value); }
    void showRunsDone(int done, int) override {
        if (done == stopAfter_) {
            s_.running = false;
        }
    }
    std::vector<double> totalFitness;

  private:
    SimState& s_;
    std::filesystem::path folder_;
    int stopAfter_;
};

struct Outcome {
    std::string dataFile;
    std::string runs;
    std::vector<double> totalFitness;
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

Outcome run(const Experiment& e, int threads, int stopAfter, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    SimState s;
    applyExperiment(s, e);
    Host host(s, folder, stopAfter);
    const RecordPaths record = runAndRecord(s, fixtures::setupFor(host, threads), e);
    const std::filesystem::path data = folder / (s.dataFileName + ".xls");
    return {std::filesystem::exists(data) ? fixtures::readFile(data) : std::string(),
            fixtures::readFile(record.runs), host.totalFitness};
}

TEST(ParallelRuns, GiveTheSameResultsForEveryThreadCount) {
    Experiment defaults;
    Experiment tab10b;
    tab10b.params.agents = "50";
    tab10b.params.firstOut = true;
    tab10b.preset = "Tab 10b";
    Experiment genes;
    genes.params.generations = "3";
    genes.params.runs = "20";
    genes.params.cycles = "2000";
    genes.params.expGeneOn = genes.params.comGeneOn = true;
    genes.params.expCostOn = genes.params.comCostOn = true;
    const struct {
        const char* name;
        Experiment experiment;
        int stopAfter;
    } cases[] = {{"defaults", defaults, 0},
                 {"Tab 10b", tab10b, 0},
                 {"genes", genes, 0},
                 {"stopped", genes, 7}};
    const fixtures::TempDir dir;
    for (const auto& c : cases) {
        const Outcome one = run(c.experiment, 1, c.stopAfter, dir.path() / c.name / "1");
        ASSERT_FALSE(one.runs.empty());
        for (const int threads : {2, 3, 8}) {
            EXPECT_EQ(run(c.experiment, threads, c.stopAfter,
                          dir.path() / c.name / std::to_string(threads)),
                      one)
                << c.name << " on " << threads << " threads";
        }
    }
}

}  // namespace
}  // namespace murelta
