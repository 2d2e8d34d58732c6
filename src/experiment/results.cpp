#include "experiment/results.hpp"

#include <toml++/toml.h>
#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

#include "experiment/experiment.hpp"
#include "experiment/record.hpp"
#include "experiment/tables.hpp"
#include "run/data_file.hpp"
#include "run/run_stats.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

const std::vector<std::string> kRunColumns = tables::names(tables::kRunColumns);
const std::vector<std::string> kGenerationColumns = tables::names(tables::kGenerationColumns);
const std::vector<std::string> kSummaryColumns = tables::names(tables::kSummaryColumns);

std::string at(const std::filesystem::path& path, std::size_t line) {
    return path.string() + ", line " + std::to_string(line);
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i > 0 ? "," : "") + names[i];
    }
    return text;
}

std::string fieldCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " field" : " fields");
}

// Names the first column a header lacks, or else shows the whole header that was expected.
[[noreturn]] void wrongHeader(const std::filesystem::path& path,
                              const std::vector<std::string>& header,
                              const std::vector<std::string>& expected, const std::string& shown) {
    for (const std::string& name : expected) {
        if (std::find(header.begin(), header.end(), name) == header.end()) {
            throw Error(at(path, 1) + ": the header has no column \"" + name +
                        "\"; it should read " + shown + ".");
        }
    }
    throw Error(at(path, 1) + ": the header reads " + joined(header) + " where it should read " +
                shown + ".");
}

// Reads the fields of one row of a table, naming the file, line and column of a bad one.
class Row {
  public:
    Row(const std::filesystem::path& path, const CsvTable& table, std::size_t row)
        : path_(path), table_(table), row_(row) {}

    std::size_t line() const { return table_.lines[row_]; }
    std::string place() const { return at(path_, line()); }
    const std::string& text(std::size_t column) const { return table_.rows[row_][column]; }
    std::string where(std::size_t column) const {
        return at(path_, line()) + ", column " + table_.header[column];
    }
    double number(std::size_t column) const { return parseNumber(text(column), where(column)); }
    // A whole number from `least` on.
    long whole(std::size_t column, long least) const {
        const double value = number(column);
        if (value != std::floor(value) || value < static_cast<double>(least) || value > 9e15) {
            throw Error(where(column) + ": \"" + text(column) + "\" is not a whole number" +
                        (least == 0 ? " of 0 or more." : "."));
        }
        return static_cast<long>(value);
    }

  private:
    const std::filesystem::path& path_;
    const CsvTable& table_;
    std::size_t row_;
};

// A run from the six columns from `first` on: generation, run, seed, first, last, percent_out.
RunResult readRun(const Row& row, std::size_t first) {
    RunResult run;
    run.generation = static_cast<int>(std::min(row.whole(first, 0), long{INT_MAX}));
    run.run = static_cast<int>(std::min(row.whole(first + 1, 0), long{INT_MAX}));
    run.seed = row.whole(first + 2, LONG_MIN);
    run.first = row.number(first + 3);
    run.last = row.number(first + 4);
    run.percentOut = row.number(first + 5);
    return run;
}

std::optional<double> realOf(const toml::node* node) {
    if (node == nullptr) {
        return std::nullopt;
    }
    if (const auto* real = node->as_floating_point()) {
        return real->get();
    }
    if (const auto* whole = node->as_integer()) {
        return static_cast<double>(whole->get());
    }
    return std::nullopt;
}

// The provenance's generations, in order, and each one's number of runs.
std::vector<GenerationSummary> readProvenance(const toml::table& root,
                                              const std::filesystem::path& path,
                                              std::vector<long>& runCounts) {
    const toml::table* provenance = root["provenance"].as_table();
    if (provenance == nullptr) {
        throw Error("The record " + path.string() +
                    " has no [provenance] table; only the record a finished or stopped "
                    "simulation leaves has one.");
    }
    const toml::array* list = (*provenance)["generations"].as_array();
    if (list == nullptr) {
        throw Error(at(path, provenance->source().begin.line) +
                    ": the provenance has no generations array.");
    }
    std::vector<GenerationSummary> generations;
    for (std::size_t g = 0; g < list->size(); ++g) {
        const toml::node& node = *list->get(g);
        const std::string where =
            at(path, node.source().begin.line) + ", provenance generation " + std::to_string(g);
        const toml::table* table = node.as_table();
        if (table == nullptr) {
            throw Error(where + ": a table of numbers is expected.");
        }
        const auto real = [&](const char* key) {
            const std::optional<double> value = realOf(table->get(key));
            if (!value) {
                throw Error(where + ": " + key + " is missing or not a number.");
            }
            return *value;
        };
        const auto whole = [&](const char* key) {
            const toml::value<std::int64_t>* value = table->get_as<std::int64_t>(key);
            if (value == nullptr || value->get() < 0) {
                throw Error(where + ": " + key + " is missing or not a whole number of 0 or more.");
            }
            return value->get();
        };
        if (whole("generation") != static_cast<std::int64_t>(g)) {
            throw Error(where + ": the generations must be numbered 0, 1, 2... in order.");
        }
        runCounts.push_back(static_cast<long>(whole("runs")));
        const auto& keys = tables::kProvenanceKeys;
        generations.push_back({static_cast<int>(g), real(keys[0].data()), real(keys[1].data()),
                               real(keys[2].data()), real(keys[3].data()), real(keys[4].data())});
    }
    return generations;
}

// The swept keys of a sweep's table: the columns between "config" and `tail`.
std::vector<std::string> sweptKeys(const CsvTable& table, const std::filesystem::path& path,
                                   const std::vector<std::string>& tail) {
    const std::vector<std::string>& header = table.header;
    const bool fits = header.size() >= tail.size() + 1 && header.front() == tables::kConfigColumn &&
                      std::equal(tail.begin(), tail.end(), header.end() - tail.size());
    if (!fits) {
        std::vector<std::string> expected{std::string(tables::kConfigColumn)};
        expected.insert(expected.end(), tail.begin(), tail.end());
        wrongHeader(path, header, expected,
                    std::string(tables::kConfigColumn) + ",<swept keys>," + joined(tail));
    }
    return {header.begin() + 1, header.end() - tail.size()};
}

}  // namespace

CsvTable readCsv(const std::filesystem::path& path) {
    return parseCsv(readText(path, "table"), path);
}

CsvTable parseCsv(const std::string& text, const std::filesystem::path& path) {
    if (text.empty()) {
        throw Error(at(path, 1) + ": the file is empty; a table starts with a header line.");
    }
    CsvTable table;
    std::size_t line = 1;
    std::size_t i = 0;
    const std::size_t size = text.size();
    const auto lineEndAt = [&](std::size_t k) {
        return text[k] == '\n' || (text[k] == '\r' && k + 1 < size && text[k + 1] == '\n');
    };
    while (i < size) {
        const std::size_t rowLine = line;
        std::vector<std::string> fields;
        for (bool more = true; more;) {
            std::string field;
            if (i < size && text[i] == '"') {
                const std::size_t opened = line;
                for (++i;; ++i) {
                    if (i == size) {
                        throw Error(at(path, opened) +
                                    ": a quoted field begins here and is never closed.");
                    }
                    if (text[i] == '"') {
                        if (i + 1 == size || text[i + 1] != '"') {
                            ++i;  // the closing quote
                            break;
                        }
                        ++i;  // a doubled quote stands for one
                    } else if (text[i] == '\n') {
                        ++line;
                    }
                    field += text[i];
                }
            } else {
                for (; i < size && text[i] != ',' && !lineEndAt(i); ++i) {
                    if (text[i] == '"') {
                        throw Error(at(path, line) +
                                    ": a quote inside a field that does not begin with one.");
                    }
                    field += text[i];
                }
            }
            fields.push_back(std::move(field));
            if (i == size) {
                throw Error(at(path, line) + ": the line has no line end; the file was cut short.");
            }
            if (text[i] == ',') {
                ++i;
            } else if (lineEndAt(i)) {
                i += text[i] == '\r' ? 2 : 1;
                ++line;
                more = false;
            } else {
                throw Error(at(path, line) + ": text follows the closing quote of a field.");
            }
        }
        if (rowLine == 1) {
            table.header = std::move(fields);
        } else if (fields.size() != table.header.size()) {
            throw Error(at(path, rowLine) + ": " + fieldCount(fields.size()) +
                        " where the header has " + std::to_string(table.header.size()) + ".");
        } else {
            table.rows.push_back(std::move(fields));
            table.lines.push_back(rowLine);
        }
    }
    return table;
}

SimulationResults readSimulationResults(const std::filesystem::path& record) {
    if (record.extension() != ".toml" && record.extension() != ".csv") {
        throw Error("The record " + record.string() +
                    " is neither a .toml nor a .csv file; a record is <name>.toml with "
                    "<name>.csv beside it.");
    }
    SimulationResults results;
    results.record = std::filesystem::path(record).replace_extension(".toml");
    const std::filesystem::path csv = std::filesystem::path(record).replace_extension(".csv");

    const std::string text = readText(results.record, "record");
    results.experiment = parseExperiment(text, results.record.string());
    const Experiment& e = results.experiment;
    results.label = e.label;
    results.geneOn = e.params.expGeneOn || e.params.comGeneOn;
    SimState s;
    readParams(s, e.params);  // parseExperiment let only runnable parameters through
    toml::table root;
    try {
        root = toml::parse(text, results.record.string());
    } catch (const toml::parse_error& error) {
        throw Error(at(results.record, error.source().begin.line) + ": " +
                    std::string(error.description()) + ".");
    }
    std::vector<long> runCounts;
    results.generations = readProvenance(root, results.record, runCounts);
    results.complete = root["provenance"]["completed"].value_or(false);

    const std::string csvText = readText(csv, "table");
    const CsvTable table = parseCsv(csvText, csv);
    if (table.header != kRunColumns) {
        wrongHeader(csv, table.header, kRunColumns, joined(kRunColumns));
    }
    std::vector<long> counted(results.generations.size(), 0);
    std::vector<std::set<int>> seen(results.generations.size());
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const Row row(csv, table, r);
        const RunResult run = readRun(row, 0);
        if (static_cast<std::size_t>(run.generation) >= results.generations.size()) {
            throw Error(row.where(0) + ": generation " + row.text(0) + " is not one of the " +
                        std::to_string(results.generations.size()) + " generations of " +
                        results.record.string() + ".");
        }
        const auto generation = static_cast<std::size_t>(run.generation);
        if (run.run >= s.runCount) {
            throw Error(row.where(1) + ": run " + row.text(1) + " is not one of the " +
                        std::to_string(s.runCount) + " runs (0 to " +
                        std::to_string(s.runCount - 1) + ") of " + results.record.string() + ".");
        }
        if (!seen[generation].insert(run.run).second) {
            throw Error(row.where(1) + ": run " + row.text(1) + " of generation " + row.text(0) +
                        " appears a second time.");
        }
        if (run.seed != runSeed(s, run.run)) {
            throw Error(row.where(2) + ": seed " + row.text(2) + " where run " + row.text(1) +
                        " of " + results.record.string() + " has seed " +
                        std::to_string(runSeed(s, run.run)) + ".");
        }
        // Cycle 0 counts too, so an agent still in at the end was in for cycles + 1.
        const double cycles = s.cyclesPerRun;
        const struct {
            std::size_t column;
            double value;
            double most;
        } bounded[] = {{3, run.first, cycles}, {4, run.last, cycles + 1}, {5, run.percentOut, 100}};
        for (const auto& b : bounded) {
            if (!(b.value >= 0 && b.value <= b.most)) {
                throw Error(row.where(b.column) + ": " + row.text(b.column) + " is not from 0 to " +
                            formatNumber(b.most) + ".");
            }
        }
        ++counted[generation];
        results.runs.push_back(run);
    }
    for (std::size_t g = 0; g < counted.size(); ++g) {
        if (counted[g] != runCounts[g]) {
            throw Error(csv.string() + ": generation " + std::to_string(g) + " has " +
                        std::to_string(counted[g]) + " runs where " + results.record.string() +
                        " counts " + std::to_string(runCounts[g]) + ".");
        }
    }
    if (const auto digest = root["provenance"]["digest"].value<std::string>()) {
        const std::string expected = recordDigest(csvText, results.generations, runCounts);
        if (*digest != expected) {
            throw Error(
                at(results.record, root["provenance"]["digest"].node()->source().begin.line) +
                ": the digest of " + csv.filename().string() +
                " and the provenance's generations is " + expected + " where the record says " +
                *digest + "; a number was changed since the record was written.");
        }
    }
    return results;
}

namespace {

// A number, or NaN for an empty cell.
double numberOrNone(const Row& row, std::size_t column) {
    return row.text(column).empty() ? std::nan("") : row.number(column);
}

// The header `lead` followed by `tail`, or an Error naming the file.
void checkHeader(const std::filesystem::path& path, const CsvTable& table,
                 const std::vector<std::string>& lead, const std::vector<std::string>& tail) {
    std::vector<std::string> expected = lead;
    expected.insert(expected.end(), tail.begin(), tail.end());
    if (table.header != expected) {
        wrongHeader(path, table.header, expected, joined(expected));
    }
}

void readDerivedTables(const std::filesystem::path& dir, SweepResults& results) {
    const std::filesystem::path sensitivityPath = dir / "sensitivity.csv";
    if (std::filesystem::exists(sensitivityPath)) {
        const CsvTable table = readCsv(sensitivityPath);
        checkHeader(sensitivityPath, table, results.keys,
                    tables::names(tables::kSensitivityColumns));
        const std::size_t lead = results.keys.size();
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const Row row(sensitivityPath, table, r);
            const auto& fields = table.rows[r];
            SensitivityRow s;
            s.values.assign(fields.begin(), fields.begin() + static_cast<long>(lead));
            s.generation = static_cast<int>(std::min(row.whole(lead, 0), long{INT_MAX}));
            s.output = fields[lead + 1];
            s.factor = fields[lead + 2];
            s.measure = fields[lead + 3];
            s.value = numberOrNone(row, lead + 4);
            s.ciLow = numberOrNone(row, lead + 5);
            s.ciHigh = numberOrNone(row, lead + 6);
            results.sensitivity.push_back(std::move(s));
        }
    }
    const std::filesystem::path comparePath = dir / "compare.csv";
    if (std::filesystem::exists(comparePath)) {
        const CsvTable table = readCsv(comparePath);
        checkHeader(comparePath, table, {}, tables::names(tables::kCompareColumns));
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const Row row(comparePath, table, r);
            ComparisonRow c;
            c.generation = static_cast<int>(std::min(row.whole(0, 0), long{INT_MAX}));
            c.output = table.rows[r][1];
            c.configA = static_cast<std::size_t>(row.whole(2, 0));
            c.configB = static_cast<std::size_t>(row.whole(3, 0));
            c.meanA = numberOrNone(row, 4);
            c.meanB = numberOrNone(row, 5);
            c.a12 = numberOrNone(row, 6);
            c.u = numberOrNone(row, 7);
            c.pValue = numberOrNone(row, 8);
            c.pHolm = numberOrNone(row, 9);
            results.comparisons.push_back(c);
        }
    }
}

}  // namespace

SweepResults readSweepResults(const std::filesystem::path& dir) {
    SweepResults results;
    results.dir = dir;
    const std::filesystem::path runsPath = dir / "runs.csv";
    const std::filesystem::path generationsPath = dir / "generations.csv";
    const std::filesystem::path summaryPath = dir / "summary.csv";
    const CsvTable runs = readCsv(runsPath);
    const CsvTable generations = readCsv(generationsPath);
    results.summary = readCsv(summaryPath);

    results.keys = sweptKeys(runs, runsPath, kRunColumns);
    const struct {
        const std::filesystem::path& path;
        const CsvTable& table;
        const std::vector<std::string>& tail;
    } others[] = {{generationsPath, generations, kGenerationColumns},
                  {summaryPath, results.summary, kSummaryColumns}};
    for (const auto& other : others) {
        const std::vector<std::string> keys = sweptKeys(other.table, other.path, other.tail);
        if (keys != results.keys) {
            throw Error(at(other.path, 1) + ": the swept keys are " + joined(keys) + " where " +
                        runsPath.string() + " has " + joined(results.keys) + ".");
        }
    }
    const std::size_t lead = 1 + results.keys.size();

    // Configurations by number, with where their swept values were first read.
    std::map<std::size_t, ConfigurationResults> found;
    std::map<std::size_t, std::string> firstSeen;
    const auto configurationOf = [&](const Row& row,
                                     const std::vector<std::string>& fields) -> auto& {
        const auto number = static_cast<std::size_t>(row.whole(0, 0));
        const std::vector<std::string> values(fields.begin() + 1,
                                              fields.begin() + static_cast<long>(lead));
        auto [entry, added] = found.try_emplace(number);
        ConfigurationResults& configuration = entry->second;
        if (added) {
            configuration.config = number;
            configuration.values = values;
            firstSeen[number] = row.place();
        } else if (configuration.values != values) {
            throw Error(row.where(0) + ": configuration " + std::to_string(number) +
                        " has the swept values " + joined(values) + " here but " +
                        joined(configuration.values) + " in " + firstSeen[number] + ".");
        }
        return configuration;
    };

    // Runs per configuration and generation, to check summary.csv's counts against.
    std::map<std::pair<std::size_t, int>, long> runCounts;
    for (std::size_t r = 0; r < runs.rows.size(); ++r) {
        const Row row(runsPath, runs, r);
        ConfigurationResults& configuration = configurationOf(row, runs.rows[r]);
        configuration.runs.push_back(readRun(row, lead));
        ++runCounts[{configuration.config, configuration.runs.back().generation}];
    }
    std::set<std::size_t> withGenerations;
    for (std::size_t r = 0; r < generations.rows.size(); ++r) {
        const Row row(generationsPath, generations, r);
        ConfigurationResults& configuration = configurationOf(row, generations.rows[r]);
        GenerationSummary g;
        g.generation = static_cast<int>(std::min(row.whole(lead, 0), long{INT_MAX}));
        g.totalFitness = row.number(lead + 1);
        g.expGeneMean = row.number(lead + 2);
        g.expGeneSd = row.number(lead + 3);
        g.comGeneMean = row.number(lead + 4);
        g.comGeneSd = row.number(lead + 5);
        configuration.generations.push_back(g);
        withGenerations.insert(configuration.config);
    }
    std::set<std::size_t> summarised;
    for (std::size_t r = 0; r < results.summary.rows.size(); ++r) {
        const Row row(summaryPath, results.summary, r);
        const auto number = static_cast<std::size_t>(row.whole(0, 0));
        const auto withRuns = found.find(number);
        if (withRuns == found.end() || withRuns->second.runs.empty()) {
            throw Error(row.where(0) + ": configuration " + std::to_string(number) + " is not in " +
                        runsPath.string() + ".");
        }
        if (withGenerations.count(number) == 0) {
            throw Error(row.where(0) + ": configuration " + std::to_string(number) + " is not in " +
                        generationsPath.string() + ".");
        }
        configurationOf(row, results.summary.rows[r]);
        summarised.insert(number);
        const long generation = std::min(row.whole(lead, 0), long{INT_MAX});
        const long count = row.whole(lead + 1, 0);
        const auto counted = runCounts.find({number, static_cast<int>(generation)});
        if (counted == runCounts.end() || counted->second != count) {
            throw Error(row.where(lead + 1) + ": " + std::to_string(count) + " runs where " +
                        runsPath.string() + " has " +
                        std::to_string(counted == runCounts.end() ? 0 : counted->second) +
                        " for configuration " + std::to_string(number) + ", generation " +
                        std::to_string(generation) + ".");
        }
        // A spread and an interval are undefined below two runs, every statistic for none.
        for (std::size_t column = lead + 2; column < results.summary.header.size(); ++column) {
            const std::string& name = results.summary.header[column];
            const bool spread =
                name.ends_with("_sd") || name.ends_with("_ci_low") || name.ends_with("_ci_high");
            if (row.text(column).empty() && (count == 0 || (spread && count < 2))) {
                continue;
            }
            row.number(column);
        }
    }
    for (const auto& [number, configuration] : found) {
        if (!configuration.runs.empty() && summarised.count(number) == 0) {
            throw Error(summaryPath.string() + ": configuration " + std::to_string(number) +
                        " of " + runsPath.string() + " is missing.");
        }
        if (!configuration.runs.empty() && withGenerations.count(number) == 0) {
            throw Error(generationsPath.string() + ": configuration " + std::to_string(number) +
                        " of " + runsPath.string() + " is missing.");
        }
        results.configurations.push_back(configuration);
    }
    readDerivedTables(dir, results);
    return results;
}

double allOutShare(const std::vector<double>& percentsOut) {
    if (percentsOut.empty()) {
        return kUndefined;
    }
    const auto allOut = std::count_if(percentsOut.begin(), percentsOut.end(),
                                      [](double percent) { return percent >= 100.0; });
    return static_cast<double>(allOut) / static_cast<double>(percentsOut.size());
}

std::size_t summaryStatisticIndex(std::string_view column) {
    const auto& columns = tables::kSummaryColumns;
    return static_cast<std::size_t>(std::find(columns.begin(), columns.end(), column) -
                                    columns.begin()) -
           2;
}

std::array<std::vector<double>, 3> lastGenerationMetrics(const SimulationResults& results) {
    std::array<std::vector<double>, 3> metrics;
    const int last = static_cast<int>(results.generations.size()) - 1;
    for (const RunResult& run : results.runs) {
        if (run.generation == last) {
            metrics[0].push_back(run.first);
            metrics[1].push_back(run.last);
            metrics[2].push_back(run.percentOut);
        }
    }
    return metrics;
}

std::vector<double> summaryStatistics(const std::array<std::vector<double>, 3>& metrics) {
    std::vector<double> statistics;
    for (const std::vector<double>& values : metrics) {
        const Description d = describe(values);
        statistics.insert(statistics.end(), {d.mean, d.sd, d.median, d.ciLow, d.ciHigh});
    }
    statistics.push_back(allOutShare(metrics[2]));
    return statistics;
}

std::vector<double> runningMeans(const std::vector<double>& values) {
    std::vector<double> means;
    means.reserve(values.size());
    double sum = 0.0;
    for (const double v : values) {
        sum += v;
        means.push_back(sum / static_cast<double>(means.size() + 1));
    }
    return means;
}

Description describe(std::vector<double> values) {
    Description d;
    d.count = values.size();
    d.mean = d.sd = d.median = d.ciLow = d.ciHigh = kUndefined;
    if (values.empty()) {
        return d;
    }
    const auto n = static_cast<double>(values.size());
    double sum = 0.0;
    for (const double v : values) {
        sum += v;
    }
    d.mean = sum / n;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    d.median =
        values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
    if (values.size() < 2) {
        return d;
    }
    double squares = 0.0;
    for (const double v : values) {
        squares += (v - d.mean) * (v - d.mean);
    }
    d.sd = std::sqrt(squares / (n - 1.0));
    const boost::math::students_t t(n - 1.0);
    const double half =
        boost::math::quantile(boost::math::complement(t, 0.025)) * d.sd / std::sqrt(n);
    d.ciLow = d.mean - half;
    d.ciHigh = d.mean + half;
    return d;
}

Quartiles quartiles(std::vector<double> values) {
    if (values.empty()) {
        return {kUndefined, kUndefined, kUndefined, kUndefined, kUndefined};
    }
    std::sort(values.begin(), values.end());
    const std::size_t last = values.size() - 1;
    // The value at fraction p of the way from the least to the greatest order statistic.
    const auto quantile = [&](double p) {
        const double h = p * static_cast<double>(last);
        const auto below = static_cast<std::size_t>(std::floor(h));
        const std::size_t above = std::min(below + 1, last);
        return values[below] + (h - static_cast<double>(below)) * (values[above] - values[below]);
    };
    return {values.front(), quantile(0.25), quantile(0.5), quantile(0.75), values.back()};
}

}  // namespace murelta
