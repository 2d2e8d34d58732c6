// How a result moves with the parameters of a sweep: a statistic of summary.csv for each value of
// one parameter, one series per value of a second, the others fixed at chosen values or pooled.
// The effect plots and heat maps of the results viewer draw these.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "experiment/results.hpp"

namespace murelta {

// A parameter the configurations of a sweep vary (a swept key, or a design's factor), with its
// values as the tables give them.
struct EffectParameter {
    std::string key;
    // Distinct values: in numeric order when every one is a number (a whole-number parameter's
    // "10" after "9"), else in the order the sweep lists them (presets).
    std::vector<std::string> levels;
    bool numeric = true;
    bool factor = false;  // a design's factor: its values spread, few configurations share one
};

// The varied parameters and, per configuration of SweepResults::configurations, the level of
// each.
struct EffectTable {
    std::vector<EffectParameter> parameters;
    std::vector<std::vector<std::size_t>> levels;
};

// The swept keys of `results` and the factors of its design (read from the sweep kept in its
// folder), each one that takes at least two values.
EffectTable effectTable(const SweepResults& results);

// What to show: a column of summary.csv after the generation and runs columns (such as
// "last_mean"), a generation, the parameter along x, the one whose levels make the series (none
// for a single series), and per parameter the level it is fixed at, or none to pool the
// configurations of every level (the entries for x and the series are not read).
struct EffectQuery {
    std::string column;
    int generation = 0;
    std::size_t x = 0;
    std::optional<std::size_t> series;
    std::vector<std::optional<std::size_t>> fixed;
};

// One point: the statistic over the runs of the configurations that match, with the 95%
// interval of a mean column (Student's t, as summary.csv gives it; NaN for other columns), and
// the share of those runs in which every agent got out: below 1, a run's `last` is the cycle
// budget rather than an exit.
struct EffectPoint {
    std::size_t level = 0;  // of the x parameter
    double value = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
    double allOutShare = 0.0;
    std::size_t configurations = 0;  // pooled into the point
};

struct EffectSeries {
    std::size_t level = 0;  // of the series' parameter (0 without one)
    std::vector<EffectPoint>
        points;  // in the x levels' order; levels no configuration has are left out
};

// The series of the query; a column that summary.csv does not have, or a parameter out of range,
// is an Error.
std::vector<EffectSeries> effectSeries(const SweepResults& results, const EffectTable& table,
                                       const EffectQuery& query);

// The columns an effect may show: the statistics of summary.csv.
std::vector<std::string> effectColumns();

}  // namespace murelta
