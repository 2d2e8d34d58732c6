// What the Python module asks of the core, in the core's own terms: an experiment checked as a
// file would be, one simulation with its record as murelta-batch runs it, and a batch of
// points run as configurations of an experiment, as a calibration runs its candidates.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "experiment/experiment.hpp"
#include "experiment/results.hpp"

namespace murelta::python {

// The experiment as a file holding its text would be read: every value checked and a design's
// points planned. An Error names the key and what is wrong, as the Python caller named it; the
// lines of a text the caller never saw would tell nothing.
Experiment checkedExperiment(const Experiment& e);

// The keys of an experiment file's [parameters]: the boxes', then the check boxes'.
std::vector<std::string> parameterKeys();

// checkedExperiment of an experiment that holds a [sweep] or a [design]; Error otherwise.
Experiment checkedSweep(const Experiment& e);

// Sets the parameter `key` of `e` to `text` (a box's text, or "true" / "false" for a check
// box); an unknown key is an Error naming the keys there are. The value is checked when the
// experiment is.
void setParameter(Experiment& e, const std::string& key, const std::string& text);

// What one simulation left: its record's text and results, and its data file.
struct RunOutcome {
    std::filesystem::path recordPath;  // the .toml
    std::string record;
    SimulationResults results;
    std::filesystem::path dataPath;  // empty when none was written (several generations)
    std::string dataFile;
};

// Runs `e` on up to `threads` threads and leaves its data file and record in `folder` (made when
// missing), with the same checks and the same files as murelta-batch --experiment. A requested
// `stop` ends it after the run under way, its files marked incomplete, as Ctrl-C does there.
RunOutcome runExperiment(const Experiment& e, int threads, const std::filesystem::path& folder,
                         std::stop_token stop);

// The outputs evaluate can give: summary.csv's statistics of the last generation, and its Total
// Fitness.
std::vector<std::string> evaluationOutputs();

// Runs `e` once per point, with the parameters `keys` set to the point's values (whole-number
// ones rounded as their boxes round them), as configurations in folder/configs on `threads`
// threads in all, and gives per point the `outputs` of its last generation. The numbers are
// those of a sweep of the same values; Stopped when `stop` was requested.
std::vector<std::vector<double>> evaluatePoints(const Experiment& e,
                                                const std::vector<std::string>& keys,
                                                const std::vector<std::vector<double>>& points,
                                                const std::vector<std::string>& outputs,
                                                int threads, const std::filesystem::path& folder,
                                                std::stop_token stop);

}  // namespace murelta::python
