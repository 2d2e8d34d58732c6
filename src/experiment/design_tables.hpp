// The tables collect derives from a sweep's results: sensitivity.csv, the indices of a
// design's factors, and compare.csv, the rank tests between its configurations.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "experiment/experiment.hpp"

namespace murelta {

// What collect keeps of one configuration for these tables.
struct ConfigurationMetrics {
    bool finished = false;
    // Per generation: the first, last and percent_out of its runs, in the order of
    // tables::kMetrics.
    std::vector<std::array<std::vector<double>, 3>> runs;
    std::vector<double> totalFitness;  // per generation
};

// sensitivity.csv of a sweep with a design, one group of rows per swept configuration whose
// points are all finished. `notes` gains a line for a group left out and for each output that
// no factor moves (its cells are empty).
std::string sensitivityTable(const Experiment& sweep,
                             const std::vector<ConfigurationMetrics>& configurations,
                             std::vector<std::string>& notes);

// compare.csv: every pair of finished configurations, or with a design the swept
// configurations with the runs of all their points pooled; empty when there is nothing to
// compare (a design without a sweep, or fewer than two) or too much (`notes` says so).
std::string compareTable(const Experiment& sweep,
                         const std::vector<ConfigurationMetrics>& configurations,
                         std::vector<std::string>& notes);

// The most configurations compare.csv pairs: their pairs grow with the square.
inline constexpr std::size_t kMaxComparedConfigurations = 300;

}  // namespace murelta
