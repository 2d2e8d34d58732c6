// Results read back: a real sweep and record come back as they were written, the statistics
// match known values, and every kind of damaged file is refused naming the file and the line.
#include "experiment/results.hpp"

#include <gtest/gtest.h>
#include <toml++/toml.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

#include "support/fixtures.hpp"

#include "experiment/experiment.hpp"
#include "experiment/record.hpp"
#include "experiment/sweep.hpp"
#include "experiment/tables.hpp"
#include "run/data_file.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"
#include "support/test_host.hpp"

namespace murelta {
namespace {

class Folder : public fixtures::TestHost {
  public:
    explicit Folder(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path dataDirectory() override { return path_; }

  private:
    std::filesystem::path path_;
};

// Two configurations of three runs over two generations, with the exploration gene on.
Experiment smallSweep() {
    Experiment e;
    e.label = "trip";
    e.params.runs = "3";
    e.params.cycles = "400";
    e.params.generations = "2";
    e.params.expGeneOn = true;
    e.sweep = {{"first-out", {"true", "false"}}};
    return e;
}

void runSmallSweep(const std::filesystem::path& dir) {
    SweepProgress quiet;
    runSweep(smallSweep(), dir, 2, Shard{}, quiet);
    ASSERT_TRUE(collectSweep(dir).missing.empty());
}

// The record's .toml in a configuration's folder.
std::filesystem::path recordIn(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".toml" && entry.path().filename() != "experiment.toml") {
            return entry.path();
        }
    }
    return {};
}

void expectSameRuns(const std::vector<RunResult>& a, const std::vector<RunResult>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].generation, b[i].generation);
        EXPECT_EQ(a[i].run, b[i].run);
        EXPECT_EQ(a[i].seed, b[i].seed);
        EXPECT_EQ(a[i].first, b[i].first);
        EXPECT_EQ(a[i].last, b[i].last);
        EXPECT_EQ(a[i].percentOut, b[i].percentOut);
    }
}

// A record's provenance, written line by line, is the text toml++ writes of the table it holds.
void expectProvenanceAsTomlWritesIt(const std::filesystem::path& record) {
    std::ifstream in(record, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    const std::size_t at = text.find("[provenance]");
    ASSERT_NE(at, std::string::npos) << record;
    const toml::table root = toml::parse(text);
    std::ostringstream printed;
    printed << toml::table{{"provenance", *root["provenance"].as_table()}} << '\n';
    EXPECT_EQ(text.substr(at), printed.str()) << record;
}

TEST(Results, ReadBackWhatASweepAndARecordWrote) {
    const fixtures::TempDir dir;
    runSmallSweep(dir.path());
    const SweepResults sweep = readSweepResults(dir.path());
    EXPECT_EQ(sweep.keys, std::vector<std::string>{"first-out"});
    ASSERT_EQ(sweep.configurations.size(), 2u);
    ASSERT_EQ(sweep.summary.rows.size(), 4u);  // a line per configuration and generation
    for (std::size_t c = 0; c < 2; ++c) {
        const ConfigurationResults& configuration = sweep.configurations[c];
        EXPECT_EQ(configuration.config, c);
        EXPECT_EQ(configuration.values, std::vector<std::string>{c == 0 ? "true" : "false"});
        ASSERT_EQ(configuration.runs.size(), 6u);
        ASSERT_EQ(configuration.generations.size(), 2u);

        // The configuration's own record holds the same runs and generations.
        const SimulationResults record =
            readSimulationResults(recordIn(configurationFolder(dir.path(), c)));
        EXPECT_EQ(record.label, "trip");
        EXPECT_TRUE(record.geneOn);
        expectProvenanceAsTomlWritesIt(recordIn(configurationFolder(dir.path(), c)));
        expectSameRuns(record.runs, configuration.runs);
        ASSERT_EQ(record.generations.size(), 2u);
        for (std::size_t g = 0; g < 2; ++g) {
            EXPECT_EQ(record.generations[g].generation, configuration.generations[g].generation);
            EXPECT_EQ(formatNumber(record.generations[g].expGeneMean),
                      formatNumber(configuration.generations[g].expGeneMean));
            EXPECT_EQ(formatNumber(record.generations[g].totalFitness),
                      formatNumber(configuration.generations[g].totalFitness));
        }

        // summary.csv's statistics of the first exits are those describe gives.
        for (std::size_t g = 0; g < 2; ++g) {
            std::vector<double> firsts;
            for (const RunResult& run : configuration.runs) {
                if (run.generation == static_cast<int>(g)) {
                    firsts.push_back(run.first);
                }
            }
            const Description d = describe(firsts);
            const std::vector<std::string>& row = sweep.summary.rows[c * 2 + g];
            EXPECT_EQ(row[3], "3");  // runs
            EXPECT_EQ(row[4], formatNumber(d.mean));
            EXPECT_EQ(row[8], formatNumber(d.ciHigh));
        }
    }

    // A record made by a single simulation, named by its .csv.
    Experiment single;
    single.label = "single";
    single.params.runs = "4";
    single.params.cycles = "300";
    single.params.seed = "7";
    SimState s;
    applyExperiment(s, single);
    Folder folder(dir.path());
    const RecordPaths paths = runAndRecord(s, fixtures::setupFor(folder), single);
    const SimulationResults record = readSimulationResults(paths.runs);
    EXPECT_EQ(record.record, paths.experiment);
    expectProvenanceAsTomlWritesIt(paths.experiment);
    EXPECT_EQ(record.label, "single");
    EXPECT_FALSE(record.geneOn);
    ASSERT_EQ(record.generations.size(), 1u);
    ASSERT_EQ(record.runs.size(), 4u);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(record.runs[r].run, r);
        EXPECT_EQ(record.runs[r].seed, 7 + r + 1);
    }

    // Quoted fields as collectSweep writes them (commas, doubled quotes, line ends), LF too.
    std::ofstream(dir.path() / "quoted.csv", std::ios::binary)
        << "a,b\r\n\"1,2\",\"say \"\"hi\"\"\"\n\"two\r\nlines\",\r\n";
    const CsvTable quoted = readCsv(dir.path() / "quoted.csv");
    EXPECT_EQ(quoted.rows,
              (std::vector<std::vector<std::string>>{{"1,2", "say \"hi\""}, {"two\r\nlines", ""}}));
    EXPECT_EQ(quoted.lines, (std::vector<std::size_t>{2, 3}));
    // And csvRow writes such fields so.
    EXPECT_EQ(tables::csvRow({"1,2", "say \"hi\""}), "\"1,2\",\"say \"\"hi\"\"\"\r\n");
    std::ofstream(dir.path() / "rows.csv", std::ios::binary)
        << tables::csvRow({"a", "b"}) << tables::csvRow({"1,2", "say \"hi\""})
        << tables::csvRow({"two\r\nlines", ""});
    EXPECT_EQ(readCsv(dir.path() / "rows.csv").rows, quoted.rows);
}

bool same(double actual, double expected) {
    return std::isnan(expected) ? std::isnan(actual) : std::abs(actual - expected) < 1e-12;
}

TEST(Results, StatisticsOfKnownCases) {
    const double nan = std::nan("");
    const struct {
        std::vector<double> values;
        Description description;
        Quartiles quartiles;
    } cases[] = {
        {{}, {0, nan, nan, nan, nan, nan}, {nan, nan, nan, nan, nan}},
        {{5}, {1, 5, nan, 5, nan, nan}, {5, 5, 5, 5, 5}},
        // t(2) at 97.5% is 0.95 / sqrt(2 * 0.975 * 0.025) = 4.302652729749462; over sqrt(3).
        {{3, 1, 2},
         {3, 2, 1, 2, 2 - 2.4841377117503303, 2 + 2.4841377117503303},
         {1, 1.5, 2, 2.5, 3}},
        // t(3) at 97.5%: 3.182446305284263, times sqrt(5/3) / 2.
        {{4, 1, 3, 2},
         {4, 2.5, 1.2909944487358056, 2.5, 2.5 - 2.054260256760879, 2.5 + 2.054260256760879},
         {1, 1.75, 2.5, 3.25, 4}},
        // R: quantile(c(7, 1, 3, 9, 5, 11, 2, 8)) gives 1, 2.75, 6, 8.25, 11; t(7) at 97.5%:
        // 2.364624251592785.
        {{7, 1, 3, 9, 5, 11, 2, 8},
         {8, 5.75, 3.575711717366808, 6, 5.75 - 2.989369805435157, 5.75 + 2.989369805435157},
         {1, 2.75, 6, 8.25, 11}},
    };
    for (const auto& c : cases) {
        const Description d = describe(c.values);
        const Description& e = c.description;
        const std::string name = "case of " + std::to_string(c.values.size()) + " values";
        EXPECT_EQ(d.count, e.count) << name;
        EXPECT_TRUE(same(d.mean, e.mean) && same(d.median, e.median)) << name;
        EXPECT_TRUE(same(d.sd, e.sd) && same(d.ciLow, e.ciLow) && same(d.ciHigh, e.ciHigh))
            << name << ": " << d.sd << " " << d.ciLow << " " << d.ciHigh;
        const Quartiles q = quartiles(c.values);
        const Quartiles& f = c.quartiles;
        EXPECT_TRUE(same(q.least, f.least) && same(q.lower, f.lower) && same(q.median, f.median) &&
                    same(q.upper, f.upper) && same(q.greatest, f.greatest))
            << name << ": " << q.least << " " << q.lower << " " << q.median << " " << q.upper << " "
            << q.greatest;
    }
}

TEST(Results, AllOutShareAndRunningMeans) {
    EXPECT_TRUE(std::isnan(allOutShare({})));
    EXPECT_EQ(allOutShare({100, 40, 100, 0}), 0.5);
    EXPECT_EQ(runningMeans({4, 2, 6, 0}), (std::vector<double>{4, 3, 4, 3}));
}

// Applies `change` to the file's lines (without their CRLF ends).
std::function<void(std::string&)> onLines(std::function<void(std::vector<std::string>&)> change) {
    return [change](std::string& text) {
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; start < text.size(); start = end + 2) {
            end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end - start));
        }
        change(lines);
        text.clear();
        for (const std::string& line : lines) {
            text += line + "\r\n";
        }
    };
}

TEST(Results, DamagedFilesAreRefusedNamingFileAndLine) {
    const fixtures::TempDir dir;
    const std::filesystem::path good = dir.path() / "good";
    runSmallSweep(good);
    // The record of configuration 0 beside the tables, as trip.toml and trip.csv.
    const std::filesystem::path record = recordIn(configurationFolder(good, 0));
    std::filesystem::copy_file(record, good / "trip.toml");
    std::filesystem::copy_file(std::filesystem::path(record).replace_extension(".csv"),
                               good / "trip.csv");

    const struct {
        const char* name;
        const char* file;
        std::function<void(std::string&)> damage;  // none: the file is removed
        std::vector<std::string> said;             // parts of the message
    } cases[] = {
        {"missing column",
         "summary.csv",
         onLines([](auto& lines) {
             for (std::string& line : lines) {
                 line.erase(line.rfind(','));
             }
         }),
         {"summary.csv, line 1", "no column \"all_out_share\""}},
        {"not a number",
         "runs.csv",
         onLines([](auto& lines) { lines[2] = "0,true,0,1,1,x1,2,3"; }),
         {"runs.csv, line 3, column first", "\"x1\" is not a number"}},
        {"cut short",
         "generations.csv",
         [](std::string& text) { text.resize(text.size() - 2); },
         {"generations.csv, line 5", "cut short"}},
        {"empty",
         "summary.csv",
         [](std::string& text) { text.clear(); },
         {"summary.csv, line 1", "empty"}},
        {"no runs.csv", "runs.csv", nullptr, {"runs.csv", "Cannot read"}},
        {"a field too many",
         "generations.csv",
         onLines([](auto& lines) { lines[1] += ",7"; }),
         {"generations.csv, line 2", "9 fields where the header has 8"}},
        {"quote left open",
         "runs.csv",
         onLines([](auto& lines) { lines[3].insert(0, "\""); }),
         {"runs.csv, line 4", "never closed"}},
        {"configuration only in summary.csv",
         "runs.csv",
         onLines([](auto& lines) { std::erase_if(lines, [](auto& l) { return l[0] == '1'; }); }),
         {"summary.csv, line 4", "configuration 1 is not in", "runs.csv"}},
        {"swept values differ",
         "generations.csv",
         onLines([](auto& lines) { lines[1].replace(0, 6, "0,false"); }),
         {"generations.csv, line 2", "swept values false", "true in", "runs.csv, line 2"}},
        {"record without provenance",
         "trip.toml",
         [](std::string& text) { text.erase(text.find("\n# How this record")); },
         {"trip.toml", "[provenance]"}},
        {"record without its table", "trip.csv", nullptr, {"trip.csv", "Cannot read"}},
        {"a generation the record lacks",
         "trip.csv",
         onLines([](auto& lines) { lines[1][0] = '7'; }),
         {"trip.csv, line 2, column generation", "not one of the 2 generations"}},
    };
    for (const auto& c : cases) {
        const std::filesystem::path copy = dir.path() / c.name;
        std::filesystem::copy(good, copy, std::filesystem::copy_options::recursive);
        if (c.damage) {
            std::string text = fixtures::readFile(copy / c.file);
            c.damage(text);
            std::ofstream(copy / c.file, std::ios::binary | std::ios::trunc) << text;
        } else {
            std::filesystem::remove(copy / c.file);
        }
        std::string message = "no error";
        try {
            if (std::string_view(c.file).starts_with("trip")) {
                readSimulationResults(copy / "trip.toml");
            } else {
                readSweepResults(copy);
            }
        } catch (const Error& e) {
            message = e.what();
        }
        for (const std::string& part : c.said) {
            EXPECT_NE(message.find(part), std::string::npos)
                << c.name << ": \"" << part << "\" missing from: " << message;
        }
    }
}

}  // namespace
}  // namespace murelta

TEST(Results, ProvenanceTimesAreUtcCalendarTimes) {
    EXPECT_EQ(murelta::utcText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(murelta::utcText(-1), "1969-12-31T23:59:59Z");
    EXPECT_EQ(murelta::utcText(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(murelta::utcText(4107542399), "2100-02-28T23:59:59Z");
    // Any second from 1901 to 2200 reads as gmtime reads it.
    std::uint64_t state = 12345;
    for (int k = 0; k < 20000; ++k) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto seconds =
            static_cast<std::int64_t>(state >> 31) % 9466848000LL - 2177452800LL;
        const auto t = static_cast<std::time_t>(seconds);
        std::tm utc{};
        gmtime_r(&t, &utc);
        char text[40];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
        ASSERT_EQ(murelta::utcText(seconds), text) << seconds;
    }
}
