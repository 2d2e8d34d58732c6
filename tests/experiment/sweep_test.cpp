// Sweeps and collect: a damaged configuration is named and left out, never tabulated, and the
// sweep makes it again; names, counts and permissions are settled before anything runs.
#include "experiment/sweep.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>

#include "support/fixtures.hpp"
#include "support/test_seed.hpp"

#include "experiment/experiment.hpp"
#include "experiment/results.hpp"
#include "sim/error.hpp"

namespace murelta {
namespace {

namespace fs = std::filesystem;

// Two configurations of three runs over two generations.
Experiment smallSweep(const char* cycles = "300") {
    Experiment e;
    e.label = "trip";
    e.params.runs = "3";
    e.params.cycles = cycles;
    e.params.generations = "2";
    e.params.expGeneOn = true;
    e.sweep = {{"first-out", {"true", "false"}}};
    return e;
}

using Tables = std::array<std::string, 3>;

Tables tablesIn(const fs::path& dir) {
    return {fixtures::readFile(dir / "runs.csv"), fixtures::readFile(dir / "generations.csv"),
            fixtures::readFile(dir / "summary.csv")};
}

// The tables without the rows of the given configurations.
Tables without(Tables tables, const std::vector<std::size_t>& configurations) {
    for (std::string& table : tables) {
        std::string kept;
        for (std::size_t start = 0, end; start < table.size(); start = end + 1) {
            end = table.find('\n', start);
            const std::string line = table.substr(start, end + 1 - start);
            const std::string number = line.substr(0, line.find(','));
            if (std::find(configurations.begin(), configurations.end(),
                          static_cast<std::size_t>(std::atoi(number.c_str()))) ==
                    configurations.end() ||
                start == 0) {
                kept += line;
            }
        }
        table = kept;
    }
    return tables;
}

void runQuietly(const Experiment& sweep, const fs::path& dir) {
    SweepProgress quiet;
    runSweep(sweep, dir, 2, Shard{}, quiet);
}

fs::path recordOf(const fs::path& dir, std::size_t index, const char* extension) {
    return configurationFolder(dir, index) / (std::string("murData_trip_w50x50_c300_r3_ag10") +
                                              (index == 0 ? "_fOut" : "") + "_s0" + extension);
}

void edit(const fs::path& path, const std::function<void(std::string&)>& change) {
    std::string text = fixtures::readFile(path);
    change(text);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Sets the first field of the table's second line.
std::function<void(std::string&)> firstGeneration(const char* value) {
    return [value](std::string& text) {
        const std::size_t line = text.find('\n') + 1;
        text.replace(line, text.find(',', line) - line, value);
    };
}

TEST(Sweep, DamagedConfigurationIsNamedLeftOutAndMadeAgain) {
    const fixtures::TempDir dir;
    const fs::path good = dir.path() / "good";
    const fs::path other = dir.path() / "other";
    runQuietly(smallSweep(), good);
    ASSERT_TRUE(collectSweep(good).missing.empty());
    const Tables whole = tablesIn(good);
    runQuietly(smallSweep("301"), other);

    const auto onCsv = [&](std::function<void(std::string&)> change) {
        return [change](const fs::path& d) { edit(recordOf(d, 1, ".csv"), change); };
    };
    const auto replaceFolder = [](const fs::path& d, const fs::path& with) {
        fs::remove_all(configurationFolder(d, 1));
        fs::copy(with, configurationFolder(d, 1), fs::copy_options::recursive);
    };
    const struct {
        const char* name;
        std::function<void(const fs::path&)> damage;
        const char* said;
    } cases[] = {
        {"cut mid-row", onCsv([](std::string& t) { t.resize(t.size() - 3); }), "cut short"},
        {"cut at a line end",
         onCsv([](std::string& t) { t.resize(t.find('\n', t.find('\n') + 1) + 1); }),
         "generation 0 has 1 runs where"},
        {"empty table", onCsv([](std::string& t) { t.clear(); }), "empty"},
        {"generation -1", onCsv(firstGeneration("-1")), "line 2, column generation"},
        {"generation 4000000000", onCsv(firstGeneration("4000000000")), "not one of the 2"},
        {"generation x", onCsv(firstGeneration("x")), "line 2, column generation"},
        {"a number changed", onCsv([](std::string& t) {
             const std::size_t last = t.rfind(',') + 1;
             t.replace(last, std::string::npos,
                       t.compare(last, 2, "50") == 0 ? "60\r\n" : "50\r\n");
         }),
         "digest"},
        {"generations not tables",
         [&](const fs::path& d) {
             edit(recordOf(d, 1, ".toml"), [](std::string& t) {
                 t.erase(t.find("[[provenance.generations]]"));
                 t += "generations = [1, 2]\n";
             });
         },
         "a table of numbers"},
        {"a folder of another sweep",
         [&](const fs::path& d) { replaceFolder(d, configurationFolder(other, 1)); },
         "experiment.toml, line"},
        {"a folder moved to another number",
         [&](const fs::path& d) { replaceFolder(d, configurationFolder(good, 0)); },
         "not configuration 1"},
        {"no folder", [](const fs::path& d) { fs::remove_all(configurationFolder(d, 1)); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path copy = dir.path() / c.name;
        fs::copy(good, copy, fs::copy_options::recursive);
        c.damage(copy);
        const CollectReport report = collectSweep(copy);
        EXPECT_EQ(report.missing, std::vector<std::size_t>{1});
        if (*c.said != '\0') {
            ASSERT_EQ(report.damaged.size(), 1u);
            EXPECT_NE(report.damaged[0].find("configuration 1 ("), std::string::npos);
            EXPECT_NE(report.damaged[0].find(c.said), std::string::npos) << report.damaged[0];
        }
        EXPECT_EQ(tablesIn(copy), without(whole, {1}));

        runQuietly(smallSweep(), copy);
        EXPECT_TRUE(collectSweep(copy).missing.empty());
        EXPECT_EQ(tablesIn(copy), whole);
    }
}

// A stop asked for ends the sweep with Stopped and leaves no configuration half made; started
// again, the sweep gives the tables of one that ran through.
TEST(Sweep, AStopLeavesNothingHalfMadeAndTheSweepGoesOn) {
    const fixtures::TempDir dir;
    runQuietly(smallSweep(), dir.path() / "whole");
    const fs::path stopped = dir.path() / "stopped";
    std::stop_source stop;
    stop.request_stop();
    SweepProgress quiet;
    EXPECT_THROW(runSweep(smallSweep(), stopped, 2, Shard{}, quiet, stop.get_token()), Stopped);
    EXPECT_TRUE(fs::is_empty(stopped / "configs"));
    runQuietly(smallSweep(), stopped);
    ASSERT_TRUE(collectSweep(stopped).missing.empty());
    ASSERT_TRUE(collectSweep(dir.path() / "whole").missing.empty());
    EXPECT_EQ(tablesIn(stopped), tablesIn(dir.path() / "whole"));
}

TEST(Sweep, DamagedSweepFileIsToldAsSuch) {
    const fixtures::TempDir dir;
    runQuietly(smallSweep(), dir.path());
    const fs::path kept = dir.path() / "sweep.toml";
    const std::string text = fixtures::readFile(kept);

    edit(kept, [](std::string& t) { t.resize(40); });
    EXPECT_TRUE(fixtures::throwsError([&] { collectSweep(dir.path()); }, "sweep.toml, line 1"));
    EXPECT_TRUE(fixtures::throwsError([&] { runQuietly(smallSweep(), dir.path()); }, "[sweep]"));

    fs::remove(kept);
    fs::create_directory(kept);
    EXPECT_TRUE(fixtures::throwsError([&] { collectSweep(dir.path()); }, "Is a directory"));
    EXPECT_TRUE(fixtures::throwsError([&] { runQuietly(smallSweep(), dir.path()); },
                                      "Cannot read the sweep file"));
}

TEST(Sweep, CountsConfigurationsWithoutOverflow) {
    std::string text = "[sweep]\n";
    for (const char* key : {"agents", "runs", "cycles", "seed"}) {
        text += std::string(key) + " = { from = 1, to = 65536, step = 1 }\n";
    }
    EXPECT_TRUE(fixtures::throwsError([&] { parseExperiment(text, "big.toml"); },
                                      "a sweep may have at most 100000"));
    Experiment e;
    e.sweep.assign(4, {"runs", std::vector<std::string>(65536, "1")});
    EXPECT_THROW(configurationCount(e), Error);
}

TEST(Sweep, NamesAreCheckedBeforeAnythingRuns) {
    const fixtures::TempDir dir;
    for (const std::string& label : {std::string("a/b"), std::string(300, 'x')}) {
        Experiment e = smallSweep();
        e.sweep = {{"label", {"ok", label}}};
        const fs::path out = dir.path() / std::to_string(label.size());
        EXPECT_TRUE(
            fixtures::throwsError([&] { runQuietly(e, out); }, "Configuration 1 cannot run"));
        EXPECT_TRUE(fs::is_empty(out / "configs")) << label;
        EXPECT_FALSE(fs::exists(out / "sweep.toml"));
    }
}

TEST(Sweep, FoldersAndTablesHaveOrdinaryPermissions) {
    const fixtures::TempDir dir;
    const mode_t old = ::umask(027);
    Experiment e = smallSweep();
    e.params.runs = "1";
    runQuietly(e, dir.path());
    collectSweep(dir.path());
    ::umask(old);
    const auto mode = [](const fs::path& path) {
        struct stat status {};
        ::stat(path.c_str(), &status);
        return status.st_mode & 0777;
    };
    EXPECT_EQ(mode(configurationFolder(dir.path(), 0)), 0750u);
    EXPECT_EQ(mode(dir.path() / "summary.csv"), 0640u);
}

// From a finished sweep, random damage to its files and folders: collect either refuses with
// an Error or leaves out as damaged exactly what it cannot vouch for, and tabulates the rest
// as the undamaged sweep would.
TEST(Sweep, FuzzedFoldersAreRefusedOrCollectedAsUndamaged) {
    const std::uint64_t seed = fixtures::testSeed("Sweep.FuzzedFolders");
    std::mt19937_64 random(seed);
    const fixtures::TempDir dir;
    const fs::path good = dir.path() / "good";
    runQuietly(smallSweep(), good);
    ASSERT_TRUE(collectSweep(good).missing.empty());
    const Tables whole = tablesIn(good);
    std::vector<fs::path> files{"sweep.toml"};
    for (std::size_t i = 0; i < 2; ++i) {
        for (const char* extension : {".csv", ".toml"}) {
            files.push_back(fs::relative(recordOf(good, i, extension), good));
        }
        files.push_back(fs::relative(configurationFolder(good, i) / "experiment.toml", good));
    }
    const auto below = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    const std::string inserted = "0123456789-.,\"\r\n#[]=x ";

    const fs::path work = dir.path() / "work";
    std::array<int, 3> outcomes{};  // refused, some configurations left out, collected whole
    fs::copy(good, work, fs::copy_options::recursive);
    const auto swap = [&] {
        fs::rename(configurationFolder(work, 0), work / "aside");
        fs::rename(configurationFolder(work, 1), configurationFolder(work, 0));
        fs::rename(work / "aside", configurationFolder(work, 1));
    };
    for (int k = 0; k < 1000; ++k) {
        std::string done;
        for (std::size_t damages = 1 + below(2); damages-- > 0;) {
            const std::size_t what = below(4);
            if (what == 3 && done.find("swap") == std::string::npos) {
                swap();
                done += " swap";
                continue;
            }
            const fs::path& file = files[below(files.size())];
            std::string text = fixtures::readFile(work / file);
            if (text.empty() || !fs::is_regular_file(work / file)) {
                continue;
            }
            const std::size_t at = below(text.size());
            if (what == 0) {
                text[at] = static_cast<char>(text[at] ^ (1 << below(8)));
            } else if (what == 1) {
                text.resize(at);
            } else {
                text.insert(at, 1, inserted[below(inserted.size())]);
            }
            std::ofstream(work / file, std::ios::binary | std::ios::trunc) << text;
            done += " " +
                    std::string(what == 0   ? "flip"
                                : what == 1 ? "cut"
                                            : "insert") +
                    " " + file.string() + "@" + std::to_string(at);
        }
        SCOPED_TRACE("case " + std::to_string(k) + ":" + done);
        try {
            const CollectReport report = collectSweep(work);
            ASSERT_EQ(report.damaged.size(), report.missing.size());
            ASSERT_EQ(tablesIn(work), without(whole, report.missing));
            ++outcomes[report.missing.empty() ? 2 : 1];
        } catch (const Error& e) {
            ASSERT_GT(std::string_view(e.what()).size(), 0u);
            ++outcomes[0];
        }
        // Undamaged again for the next case.
        if (done.find("swap") != std::string::npos) {
            swap();
        }
        for (const fs::path& file : files) {
            fs::copy_file(good / file, work / file, fs::copy_options::overwrite_existing);
        }
    }
    std::cout << "refused " << outcomes[0] << ", configurations left out " << outcomes[1]
              << ", collected whole " << outcomes[2] << std::endl;
}

// A design around a sweep: each swept configuration gets every point, the file keeps the design
// through saving, and design.csv gives each configuration's point, block and values as they ran.
TEST(Sweep, ADesignMakesAConfigurationOfEachPointForEachSweptValue) {
    const std::string text =
        "[parameters]\nruns = \"2\"\ncycles = \"200\"\nlabel = \"trip\"\n"
        "[sweep]\nfirst-out = [true, false]\n"
        "[design]\nmethod = \"lhs\"\nsamples = 3\nseed = 7\n"
        "[design.factors]\nretina = { from = 1, to = 15 }\np = { from = 0, to = 0.5 }\n";
    const Experiment e = parseExperiment(text, "design.toml");
    ASSERT_TRUE(e.design.has_value());
    EXPECT_EQ(parseExperiment(experimentText(e), "saved.toml"), e);
    EXPECT_EQ(configurationCount(e), 6u);

    const fixtures::TempDir dir;
    runQuietly(e, dir.path());
    EXPECT_TRUE(collectSweep(dir.path()).missing.empty());
    const std::string design = fixtures::readFile(dir.path() / "design.csv");
    std::vector<std::string> rows;
    for (std::size_t start = 0, end; start < design.size(); start = end + 2) {
        end = design.find("\r\n", start);
        rows.push_back(design.substr(start, end - start));
    }
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], "config,first-out,point,block,retina,p");
    for (std::size_t c = 0; c < 6; ++c) {
        const Experiment ran =
            readExperiment(configurationFolder(dir.path(), c) / "experiment.toml");
        EXPECT_EQ(rows[c + 1], std::to_string(c) + "," + (c < 3 ? "true" : "false") + "," +
                                   std::to_string(c % 3) + ",LHS," + ran.params.retina + "," +
                                   ran.params.pConnection);
        // Whole-number parameters hold whole numbers, as their boxes would.
        EXPECT_EQ(ran.params.retina.find('.'), std::string::npos) << ran.params.retina;
        EXPECT_EQ(ran.params.retina, configuration(e, c % 3 + 3).params.retina);
    }
}

// On the simulation: a factor that cannot act (a cost that is not charged) gets indices of
// exactly 0, and retina and foods, which interact strongly on the defaults, get total indices
// well above 0.
TEST(Design, IndicesTellAFactorThatCannotActFromOnesThatDo) {
    const fixtures::TempDir dir;
    const std::string factors =
        "[design.factors]\nretina = { from = 1, to = 15 }\nfoods = { from = 1, to = 5 }\n"
        "com-cost = { from = 0, to = 10 }\n";
    const auto indices = [&](const std::string& design, const char* name) {
        const Experiment e = parseExperiment(
            "[parameters]\nruns = \"10\"\ncycles = \"5000\"\n[design]\n" + design + factors, name);
        const fs::path out = dir.path() / name;
        runQuietly(e, out);
        EXPECT_TRUE(collectSweep(out).missing.empty());
        std::map<std::pair<std::string, std::string>, SensitivityRow> found;
        for (const SensitivityRow& row : readSweepResults(out).sensitivity) {
            if (row.output == "last_mean" && row.generation == 0) {
                found[{row.factor, row.measure}] = row;
            }
        }
        return found;
    };
    auto sobol = indices("method = \"sobol\"\nsamples = 16\nseed = 1\n", "sobol");
    EXPECT_EQ((sobol[{"com-cost", "S1"}].value), 0.0);
    EXPECT_EQ((sobol[{"com-cost", "ST"}].value), 0.0);
    for (const char* factor : {"retina", "foods"}) {
        EXPECT_GT((sobol[{factor, "ST"}].ciLow), 0.05) << factor;
    }
    auto morris = indices("method = \"morris\"\nsamples = 8\nlevels = 4\nseed = 1\n", "morris");
    EXPECT_EQ((morris[{"com-cost", "mu_star"}].value), 0.0);
    EXPECT_GT((morris[{"retina", "mu_star"}].value), 0.0);
}

}  // namespace
}  // namespace murelta
