// Tests for calibration: a known configuration recovered from its statistics, a front whose
// members dominate none of one another, the objectives and the front on cases worked by hand.
#include "analysis/calibration.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "experiment/results.hpp"
#include "experiment/sweep.hpp"
#include "sim/numbers.hpp"
#include "support/fixtures.hpp"

namespace murelta {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The statistic of summary.csv named `column` for the last generation of a configuration run in
// `folder`.
double statisticOf(const Experiment& e, const std::filesystem::path& folder, std::size_t column) {
    RunCounters counters;
    runConfiguration(e, folder, 2, counters);
    const SimulationResults results = readFinishedConfiguration(e, folder, "the reference");
    std::array<std::vector<double>, 3> metrics;
    for (const RunResult& run : results.runs) {
        metrics[0].push_back(run.first);
        metrics[1].push_back(run.last);
        metrics[2].push_back(run.percentOut);
    }
    return summaryStatistics(metrics)[column];
}

// The free parameters of an experiment written by a calibration.
double retinaOf(const std::filesystem::path& file) {
    return std::stod(readExperiment(file).params.retina);
}

TEST(Calibration, CmaesRecoversTheRetinaOfAKnownConfiguration) {
    const fixtures::TempDir dir;
    // The observation: the mean last exit of retina 8, on seeds the calibration never runs.
    Experiment known;
    known.params.runs = "40";
    known.params.retina = "8";
    known.params.seed = "1000";
    const double observed = statisticOf(known, dir.path() / "known", 5);  // last_mean

    const std::string text =
        "[parameters]\nruns = \"40\"\n[calibration]\nmethod = \"cmaes\"\nevaluations = 48\n"
        "population = 8\nseed = 3\n[calibration.free]\nretina = { from = 1, to = 20 }\n"
        "[calibration.targets]\nlast_mean = " +
        formatNumber(observed) + "\n";
    const Experiment calibration = parseExperiment(text, "known.toml");
    EXPECT_EQ(parseExperiment(experimentText(calibration), "again.toml"), calibration);
    CalibrationProgress quiet;
    const CalibrationReport report =
        runCalibration(calibration, "known.toml", dir.path() / "out", 2, quiet);
    EXPECT_EQ(report.evaluations, 48U);
    // Forty runs measure the mean last exit to some 300 cycles, some 1.2 retina's worth.
    EXPECT_NEAR(retinaOf(dir.path() / "out" / "best.toml"), 8.0, 2.0);

    // The viewer's reading agrees with the tables: one objective per evaluation, the best one
    // that of best.toml's evaluation.
    const CalibrationResults results = readCalibrationResults(dir.path() / "out");
    ASSERT_EQ(results.objectives.size(), 48U);
    const Experiment best = readExperiment(dir.path() / "out" / "best.toml");
    EXPECT_FALSE(best.calibration.has_value());
    EXPECT_EQ(best.params.seed, "0");

    // Started again in the same folder, every evaluation is found finished. A calibration of a
    // smaller budget on one thread, then raised to this one in its folder, ends with the same
    // table: the optimiser replays the same generations.
    const auto folders =
        std::distance(std::filesystem::directory_iterator(dir.path() / "out" / "evaluations"),
                      std::filesystem::directory_iterator());
    EXPECT_EQ(runCalibration(calibration, "known.toml", dir.path() / "out", 1, quiet).reused,
              static_cast<std::size_t>(folders));
    Experiment smaller = calibration;
    smaller.calibration->evaluations = 40;
    runCalibration(smaller, "known.toml", dir.path() / "grown", 1, quiet);
    runCalibration(calibration, "known.toml", dir.path() / "grown", 1, quiet);
    EXPECT_EQ(fixtures::readFile(dir.path() / "grown" / "evaluations.csv"),
              fixtures::readFile(dir.path() / "out" / "evaluations.csv"));
}

TEST(Calibration, Nsga2FrontOfConflictingTargetsDominatesNoneOfItsMembers) {
    const fixtures::TempDir dir;
    // A wide retina gets the group out early and a narrow one late: no candidate meets both
    // an early last exit and a late first one.
    const Experiment calibration = parseExperiment(
        "[parameters]\nruns = \"10\"\n[calibration]\nmethod = \"nsga2\"\nevaluations = 48\n"
        "population = 16\nseed = 2\n[calibration.free]\nretina = { from = 1, to = 20 }\n"
        "p = { from = 0.0, to = 1.0 }\n[calibration.targets]\nlast_mean = 1000\n"
        "first_mean = 100\n",
        "front.toml");
    CalibrationProgress quiet;
    runCalibration(calibration, "front.toml", dir.path(), 2, quiet);
    const CalibrationResults results = readCalibrationResults(dir.path());
    ASSERT_EQ(results.objectives.size(), 48U);
    ASSERT_GE(results.front.size(), 2U);
    const auto dominates = [](const std::vector<double>& a, const std::vector<double>& b) {
        return a[0] <= b[0] && a[1] <= b[1] && (a[0] < b[0] || a[1] < b[1]);
    };
    for (const std::size_t a : results.front) {
        for (const std::size_t b : results.front) {
            EXPECT_FALSE(dominates(results.objectives[a], results.objectives[b])) << a << " " << b;
        }
    }
    // Every other evaluation is dominated by, or equal to, a member.
    for (std::size_t e = 0; e < results.objectives.size(); ++e) {
        EXPECT_TRUE(std::any_of(results.front.begin(), results.front.end(), [&](std::size_t m) {
            return results.objectives[m] == results.objectives[e] ||
                   dominates(results.objectives[m], results.objectives[e]);
        })) << e;
    }
    for (std::size_t m = 0; m < results.front.size(); ++m) {
        const std::string name = std::string(m < 10 ? "00" : "0") + std::to_string(m) + ".toml";
        EXPECT_NO_THROW(readExperiment(dir.path() / "front" / name)) << name;
    }
}

TEST(Calibration, ObjectivesWeighRelativeErrorsAndTakeAbsoluteOnesForATargetOfZero) {
    Calibration c;
    c.targets = {{"last_mean", 200.0, 1.0}, {"first_mean", 0.0, 4.0}};
    // ((300 - 200) / 200)^2 + 4 x 3^2
    EXPECT_DOUBLE_EQ(calibrationObjectives(c, {300.0, 3.0})[0], 0.25 + 36.0);
    c.method = CalibrationMethod::kNsga2;
    EXPECT_EQ(calibrationObjectives(c, {100.0, -3.0}), (std::vector<double>{0.5, 3.0}));
    EXPECT_EQ(calibrationObjectives(c, {std::nan(""), 1.0})[0], kInfinity);
}

TEST(Calibration, TheFrontKeepsTheFirstOfEqualPointsAndAnyDimension) {
    struct Case {
        std::vector<std::vector<double>> points;
        std::vector<std::size_t> front;
    };
    for (const Case& c : std::vector<Case>{
             {{}, {}},
             {{{1, 2}}, {0}},
             {{{1, 5}, {2, 2}, {5, 1}, {3, 3}, {2, 2}}, {0, 1, 2}},
             {{{3, 3}, {1, 1}, {2, 0.5}}, {1, 2}},
             {{{1, 1, 1}, {0, 2, 2}, {2, 0, 2}, {1, 1, 2}, {0, 2, 3}}, {0, 1, 2}},
         }) {
        EXPECT_EQ(nonDominated(c.points), c.front);
    }
}

}  // namespace
}  // namespace murelta
