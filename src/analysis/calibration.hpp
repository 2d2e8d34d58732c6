// Calibration: the free parameters under which the model reproduces observed statistics. An
// evolutionary optimiser (pagmo's CMA-ES for one objective, NSGA-II for a front of several)
// draws candidates within the bounds; each is run as a configuration on the experiment's own
// seeds, so that the objective is a fixed function of the candidate and the whole calibration
// replays from its file. Every evaluation is kept as a folder, made whole or not at all, so that
// a calibration stopped at any moment and started again reuses what it finished.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "experiment/experiment.hpp"
#include "experiment/results.hpp"

namespace murelta {

// Where a calibration is, for a progress line. `best` holds the least objective found so far
// (cmaes), or the least of each objective (nsga2).
struct CalibrationStatus {
    std::size_t generation = 0;   // of the optimiser, from 0 (the first population)
    std::size_t generations = 0;  // that the budget allows
    std::size_t evaluations = 0;  // done, found finished included
    std::size_t budget = 0;
    std::size_t reused = 0;  // found finished in the folder
    std::vector<double> best;
    long runs = 0;  // run by this process
    bool validating = false;
};

// What a calibration reports while it runs, from the thread that drives it. Does nothing by
// default.
class CalibrationProgress {
  public:
    virtual ~CalibrationProgress() = default;
    virtual void show(const CalibrationStatus& status);
};

// What a finished calibration left in its folder.
struct CalibrationReport {
    std::size_t evaluations = 0;       // in evaluations.csv: the budget in whole generations
    std::size_t reused = 0;            // found finished
    std::vector<std::string> written;  // the tables and files, in the order made
};

// The evaluations a calibration's budget allows: a first population, then whole generations.
std::size_t plannedEvaluations(const Calibration& c);

// Runs the calibration of `e` in `dir` on `threads` threads and writes its tables there:
// evaluations.csv; best.toml (cmaes) or front.csv and front/NNN.toml (nsga2); validation.csv.
// `source` names the calibration file in the provenance of the experiments written. The
// experiment is kept in dir/calibration.toml; a folder holding another calibration or a sweep
// is refused with an Error before anything runs.
CalibrationReport runCalibration(const Experiment& e, const std::string& source,
                                 const std::filesystem::path& dir, int threads,
                                 CalibrationProgress& progress);

// The objectives of a candidate from its statistics, in the targets' order. cmaes: one, the
// weighted sum over targets of ((statistic - target) / target)^2, the absolute error squared for
// a target of 0. nsga2: per target |statistic - target| / |target|, or the absolute error for a
// target of 0. An undefined statistic gives an infinite objective.
std::vector<double> calibrationObjectives(const Calibration& c,
                                          const std::vector<double>& statistics);

// The indices of the points no other point dominates (is no worse in every objective and
// better in one), in increasing order; of equal points only the first is kept.
std::vector<std::size_t> nonDominated(const std::vector<std::vector<double>>& points);

// The columns of evaluations.csv (and front.csv): evaluation, generation, the free parameters,
// the targets' statistics, then objective (cmaes) or objective_<target> per target (nsga2).
std::vector<std::string> evaluationColumns(const Calibration& c);
// The columns of validation.csv.
std::vector<std::string> validationColumns(const Calibration& c);

// A calibration folder's tables as the viewer shows them.
struct CalibrationResults {
    std::filesystem::path dir;
    Experiment experiment;  // the calibration kept in dir/calibration.toml
    // Per evaluation, in order: the objectives (one for cmaes, one per target for nsga2).
    std::vector<std::vector<double>> objectives;
    std::vector<std::vector<std::string>> values;  // per evaluation, the free parameters
    std::vector<std::size_t> front;                // nsga2: the evaluations of front.csv, from 0
    // validation.csv as written, once the calibration got that far (no header before), its
    // numbers checked.
    CsvTable validation;
};

// Reads dir/calibration.toml and evaluations.csv (and front.csv for nsga2, validation.csv when
// there), checking each against the calibration's columns; an Error names the file, the line
// and what is wrong.
CalibrationResults readCalibrationResults(const std::filesystem::path& dir);

}  // namespace murelta
