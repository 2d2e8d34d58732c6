// Results read back for looking at them: a simulation's record (<name>.toml and <name>.csv)
// and a sweep's tables (runs.csv, generations.csv, summary.csv), checked line by line, and the
// statistics the charts draw. A file that is missing, cut short or malformed is an Error naming
// the file and the line; nothing is returned half-read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace murelta {

// An RFC 4180 table: the header's names and, per line after it, as many fields.
struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

// Reads a table this program wrote. Throws Error naming the file and line (1 is the header)
// when the file is missing or empty, a quote is left open, a line has more or fewer fields
// than the header, or the last line has no line end (the file was cut short).
CsvTable readCsv(const std::filesystem::path& path);

// One run as the records and runs.csv give it.
struct RunResult {
    int generation = 0;
    int run = 0;
    long seed = 0;
    double first = 0.0;
    double last = 0.0;
    double percentOut = 0.0;
};

// One generation as the provenance and generations.csv give it.
struct GenerationSummary {
    int generation = 0;
    double totalFitness = 0.0;
    double expGeneMean = 0.0;
    double expGeneSd = 0.0;
    double comGeneMean = 0.0;
    double comGeneSd = 0.0;
};

// A simulation's record and its runs.
struct SimulationResults {
    std::filesystem::path record;  // the .toml
    std::string label;
    bool geneOn = false;  // an exploration or communication gene evolved
    std::vector<RunResult> runs;
    std::vector<GenerationSummary> generations;
};

// Reads <name>.toml (its label, gene options and provenance generations) and <name>.csv
// beside it. `record` may name either file.
SimulationResults readSimulationResults(const std::filesystem::path& record);

// One configuration of a sweep: its number, its swept values, its runs and generations.
struct ConfigurationResults {
    std::size_t config = 0;
    std::vector<std::string> values;  // in the order of SweepResults::keys
    std::vector<RunResult> runs;
    std::vector<GenerationSummary> generations;
};

struct SweepResults {
    std::filesystem::path dir;
    std::vector<std::string> keys;  // the swept keys, as the tables' columns name them
    std::vector<ConfigurationResults> configurations;  // in configuration order
    CsvTable summary;                                  // summary.csv as read, every number checked
};

// Reads a sweep folder's three tables; every configuration of summary.csv must be in the
// other two and carry the same swept values.
SweepResults readSweepResults(const std::filesystem::path& dir);

// Mean, sample standard deviation, median and the 95% confidence interval of the mean
// (Student's t) of some values; the spread and the interval are NaN for fewer than two.
struct Description {
    std::size_t count = 0;
    double mean = 0.0;
    double sd = 0.0;
    double median = 0.0;
    double ciLow = 0.0;
    double ciHigh = 0.0;
};
Description describe(std::vector<double> values);

// The five numbers of a box plot: least, lower quartile, median, upper quartile, greatest.
// Quartiles interpolate linearly between order statistics (the default of R and numpy).
struct Quartiles {
    double least = 0.0;
    double lower = 0.0;
    double median = 0.0;
    double upper = 0.0;
    double greatest = 0.0;
};
Quartiles quartiles(std::vector<double> values);

}  // namespace murelta
