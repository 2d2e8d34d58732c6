// Results read back for looking at them: a simulation's record (<name>.toml and <name>.csv)
// and a sweep's tables (runs.csv, generations.csv, summary.csv), checked line by line, and the
// statistics the charts draw. A file that is missing, cut short or malformed is an Error naming
// the file and the line; nothing is returned half-read.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/experiment.hpp"
#include "run/run.hpp"

namespace murelta {

// An RFC 4180 table: the header's names and, per line after it, as many fields.
struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    // The line of the file each row starts on, as a text editor counts them (1 is the header;
    // a quoted field may hold line ends).
    std::vector<std::size_t> lines;
};

// Reads a table this program wrote, with CRLF or LF line ends. Throws Error naming the file and
// line when the file is missing or empty, a quote is left open or misplaced, a line has more or
// fewer fields than the header, or the last line has no line end (the file was cut short).
CsvTable readCsv(const std::filesystem::path& path);
// readCsv on a file's text already read; `path` names it in messages.
CsvTable parseCsv(const std::string& text, const std::filesystem::path& path);

// One run as the records and runs.csv give it.
struct RunResult {
    int generation = 0;
    int run = 0;
    long seed = 0;
    double first = 0.0;
    double last = 0.0;
    double percentOut = 0.0;
};

// A simulation's record and its runs.
struct SimulationResults {
    std::filesystem::path record;  // the .toml
    std::string label;
    bool geneOn = false;  // an exploration or communication gene evolved
    std::vector<RunResult> runs;
    std::vector<GenerationSummary> generations;
    Experiment experiment;  // the record's experiment part
    bool complete = false;  // the provenance says the simulation was not stopped
};

// Reads <name>.toml (its experiment and provenance) and <name>.csv beside it. `record` may name
// either file. Every run must belong to one of the provenance's generations, be one of the
// experiment's runs once per generation with its seed, and have exit times within the cycles
// and a percentage from 0 to 100; each generation must have as many runs as the provenance
// counts, and a digest in the provenance must match the table and the generations.
SimulationResults readSimulationResults(const std::filesystem::path& record);

// One configuration of a sweep: its number, its swept values, its runs and generations.
struct ConfigurationResults {
    std::size_t config = 0;
    std::vector<std::string> values;  // in the order of SweepResults::keys
    std::vector<RunResult> runs;
    std::vector<GenerationSummary> generations;
};

// A row of sensitivity.csv; an empty cell is NaN.
struct SensitivityRow {
    std::vector<std::string> values;  // the swept values, in the order of SweepResults::keys
    int generation = 0;
    std::string output;
    std::string factor;
    std::string measure;
    double value = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
};

// A row of compare.csv; an empty cell is NaN.
struct ComparisonRow {
    int generation = 0;
    std::string output;
    std::size_t configA = 0;
    std::size_t configB = 0;
    double meanA = 0.0;
    double meanB = 0.0;
    double a12 = 0.0;
    double u = 0.0;
    double pValue = 0.0;
    double pHolm = 0.0;
};

struct SweepResults {
    std::filesystem::path dir;
    std::vector<std::string> keys;  // the swept keys, as the tables' columns name them
    std::vector<ConfigurationResults> configurations;  // in configuration order
    CsvTable summary;                                  // summary.csv as read, every number checked
    // sensitivity.csv and compare.csv, when collect wrote them.
    std::vector<SensitivityRow> sensitivity;
    std::vector<ComparisonRow> comparisons;
};

// Reads a sweep folder's three tables, and sensitivity.csv and compare.csv where they are;
// every configuration of summary.csv must be in the
// other two and carry the same swept values, with as many runs per generation as runs.csv
// holds, and every configuration with runs must be in the other two. A statistic of
// summary.csv may be empty only where it is undefined (a spread below two runs).
SweepResults readSweepResults(const std::filesystem::path& dir);

// Mean, sample standard deviation, median and the 95% confidence interval of the mean
// (Student's t) of some values; the spread and the interval are NaN for fewer than two, and
// everything but the count is NaN for none.
struct Description {
    std::size_t count = 0;
    double mean = 0.0;
    double sd = 0.0;
    double median = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
};
Description describe(std::vector<double> values);

// The share of runs, from 0 to 1, in which every agent got out (100 percent out), from their
// percentages out; NaN for no runs.
double allOutShare(const std::vector<double>& percentsOut);

// The statistics summary.csv gives of one generation, after its generation and runs columns
// and in their order: per metric (first, last, percent_out) the mean, standard deviation,
// median and 95% interval of the mean, then the all-out share; NaN where undefined.
std::vector<double> summaryStatistics(const std::array<std::vector<double>, 3>& metrics);
// The position of a statistic named as summary.csv's column (first_mean, ..., all_out_share)
// among summaryStatistics' values.
std::size_t summaryStatisticIndex(std::string_view column);
// Per metric (first, last, percent_out), the values of the last generation's runs: what a
// calibration fits and what the Python module's evaluate gives.
std::array<std::vector<double>, 3> lastGenerationMetrics(const SimulationResults& results);

// Element i is the mean of values[0..i]: the running mean over the runs as they come.
std::vector<double> runningMeans(const std::vector<double>& values);

// The five numbers of a box plot: least, lower quartile, median, upper quartile, greatest.
// Quartiles interpolate linearly between order statistics (the default of R and numpy); all
// five are NaN for no values.
struct Quartiles {
    double least = 0.0;
    double lower = 0.0;
    double median = 0.0;
    double upper = 0.0;
    double greatest = 0.0;
};
Quartiles quartiles(std::vector<double> values);

}  // namespace murelta
