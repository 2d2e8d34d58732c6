#include "experiment/sweep.hpp"

#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>

#include "experiment/design_tables.hpp"
#include "experiment/record.hpp"
#include "experiment/results.hpp"
#include "experiment/tables.hpp"
#include "run/data_file.hpp"
#include "run/simulation.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {

void SweepProgress::show(std::size_t, std::size_t, long, long) {}

namespace {

constexpr const char* kSweepFile = "sweep.toml";
constexpr const char* kExperimentFile = "experiment.toml";
// Marks the name of a damaged configuration's folder that a sweep moved aside.
constexpr const char* kSetAside = "-damaged-";

// How many cycles a configuration runs before it adds them to the sweep's totals, so that
// threads do not contend for them every cycle.
constexpr long kCyclesCounted = 4096;

// The sweep kept in a sweep's folder. A file that cannot be read, does not parse or has no
// [sweep] table (cut short, or not a sweep's) is an Error naming it.
Experiment readKeptSweep(const std::filesystem::path& dir) {
    const std::filesystem::path kept = dir / kSweepFile;
    const std::string text = readText(kept, "sweep file");
    Experiment sweep = parseExperiment(text, kept.string());
    if (!isSweep(sweep)) {
        const auto lines = std::count(text.begin(), text.end(), '\n');
        throw Error(
            kept.string() + ", line " + std::to_string(lines + 1) +
            ": the file ends without a [sweep] or [design] table; it was cut short or is not "
            "the file a sweep keeps.");
    }
    return sweep;
}

// The line on which two texts first differ.
std::size_t firstDifferentLine(std::string_view a, std::string_view b) {
    const auto differs = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first;
    return 1 + static_cast<std::size_t>(std::count(a.begin(), differs, '\n'));
}

// The results of configuration `index` read from its folder and checked against what the
// sweep expects there.
SimulationResults readConfiguration(const Experiment& sweep, const std::filesystem::path& dir,
                                    std::size_t index) {
    return readFinishedConfiguration(
        configuration(sweep, index), configurationFolder(dir, index),
        "configuration " + std::to_string(index) + " of " + (dir / kSweepFile).string());
}

}  // namespace

Shard parseShard(const std::string& text) {
    // Digits only: "0.5/2" or "0/ 2" is a typing error, not shard 0 of 2.
    const auto whole = [](std::string_view digits, std::size_t& value) {
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        value = std::stoul(std::string(digits));
        return true;
    };
    const std::size_t slash = text.find('/');
    Shard shard;
    if (slash != std::string::npos && whole(std::string_view(text).substr(0, slash), shard.index) &&
        whole(std::string_view(text).substr(slash + 1), shard.count) && shard.count > 0 &&
        shard.index < shard.count) {
        return shard;
    }
    throw Error("--shard takes K/N, whole numbers with 0 <= K < N, such as 0/4 (it is \"" + text +
                "\").");
}

std::filesystem::path configurationFolder(const std::filesystem::path& dir, std::size_t index) {
    std::string number = std::to_string(index);
    number.insert(0, number.size() < 4 ? 4 - number.size() : 0, '0');
    return dir / "configs" / number;
}

SimulationResults readFinishedConfiguration(const Experiment& expected,
                                            const std::filesystem::path& folder,
                                            const std::string& what) {
    const std::string expectedText = experimentText(expected);
    const std::filesystem::path experimentPath = folder / kExperimentFile;
    const std::string text = readText(experimentPath, "experiment file");
    if (text != expectedText) {
        throw Error(experimentPath.string() + ", line " +
                    std::to_string(firstDifferentLine(text, expectedText)) + ": this is not " +
                    what + "; the folder was changed, moved or comes from elsewhere.");
    }
    SimulationResults results = readSimulationResults(
        folder / (makeDataFileName(expected.params, expected.label) + ".toml"));
    const std::string record = results.record.string();
    if (results.experiment.params != expected.params ||
        results.experiment.label != expected.label) {
        throw Error(record + ": the record's parameters or label are not those of " + what + ".");
    }
    if (!results.complete) {
        throw Error(record + ": the simulation was stopped before it was complete.");
    }
    SimState s;
    readParams(s, expected.params);
    if (results.generations.size() != static_cast<std::size_t>(s.generationCount)) {
        throw Error(record + ": " + std::to_string(results.generations.size()) +
                    " generations where " + what + " has " + std::to_string(s.generationCount) +
                    ".");
    }
    std::vector<long> runs(results.generations.size(), 0);
    for (const RunResult& run : results.runs) {
        ++runs[static_cast<std::size_t>(run.generation)];
    }
    for (std::size_t g = 0; g < runs.size(); ++g) {
        if (runs[g] != s.runCount) {
            throw Error(std::filesystem::path(record).replace_extension(".csv").string() +
                        ": generation " + std::to_string(g) + " has " + std::to_string(runs[g]) +
                        " runs where " + what + " has " + std::to_string(s.runCount) + ".");
        }
    }
    return results;
}

void runConfiguration(const Experiment& e, const std::filesystem::path& target, int threads,
                      RunCounters& counters, std::stop_token stop) {
    const std::filesystem::path parent = target.parent_path();
    std::string pattern = (parent / ("." + target.filename().string() + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw Error("Cannot make a folder in " + parent.string() + ": " + std::strerror(errno) +
                    ".");
    }
    const std::filesystem::path temporary = pattern;
    try {
        // mkdtemp makes a folder its owner alone may read; a configuration's is an ordinary one.
        if (::chmod(pattern.c_str(), static_cast<mode_t>(0777U & ~fileCreationMask())) != 0) {
            throw Error("Cannot set the permissions of " + pattern + ": " + std::strerror(errno) +
                        ".");
        }
        writeExperiment(temporary / kExperimentFile, e);
        SimState s;
        applyExperiment(s, e);
        DataFolder folder(temporary);
        const Record record(s, e);
        SimulationSetup setup(folder);
        setup.threads = record.threadsFor(s, threads);
        setup.changes = e.changes;
        Simulation simulation(s, std::move(setup));
        long counted = 0;
        for (Advance step = simulation.advance(); step != Advance::kFinished;
             step = simulation.advance()) {
            if (stop.stop_requested()) {
                throw Stopped("Stopped before " + target.string() + " was finished.");
            }
            counters.runs += step == Advance::kRunEnded ? 1 : 0;
            if (simulation.cycles() - counted >= kCyclesCounted) {
                counters.cycles += simulation.cycles() - counted;
                counted = simulation.cycles();
            }
        }
        counters.cycles += simulation.cycles() - counted;
        record.write(s, simulation);
        // The configuration appears whole or not at all.
        std::filesystem::rename(temporary, target);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(temporary, ignored);
        throw;
    }
}

void runConfigurations(const std::vector<Experiment>& experiments,
                       const std::vector<std::filesystem::path>& folders, int threads,
                       RunCounters& counters, std::stop_token stop) {
    threads = std::max(1, threads);
    const std::size_t workers = std::min(experiments.size(), static_cast<std::size_t>(threads));
    const int each = workers > 0 ? std::max(1, threads / static_cast<int>(workers)) : 1;
    std::atomic<std::size_t> next{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    std::atomic<bool> failed{false};
    {
        std::vector<std::jthread> pool;
        for (std::size_t w = 0; w < workers; ++w) {
            pool.emplace_back([&] {
                for (std::size_t k = next++; k < experiments.size() && !failed; k = next++) {
                    try {
                        runConfiguration(experiments[k], folders[k], each, counters, stop);
                    } catch (...) {
                        const std::lock_guard lock(failureMutex);
                        if (failure == nullptr) {
                            failure = std::current_exception();
                        }
                        failed = true;
                    }
                }
            });
        }
    }
    if (failure != nullptr) {
        std::rethrow_exception(failure);
    }
}

std::size_t runSweep(const Experiment& sweep, const std::filesystem::path& dir, int threads,
                     Shard shard, SweepProgress& progress, std::stop_token stop) {
    const std::filesystem::path configs = dir / "configs";
    std::filesystem::create_directories(configs);
    const std::size_t total = configurationCount(sweep);
    // A name no file may have would end the sweep half way; refuse it before any runs.
    for (std::size_t i = 0; i < total; ++i) {
        const Experiment c = configuration(sweep, i);
        try {
            // The record's extension is the longest of the files the configuration leaves.
            checkFileName(makeDataFileName(c.params, c.label) + ".toml", configs);
        } catch (const Error& error) {
            throw Error("Configuration " + std::to_string(i) + " cannot run: " + error.what());
        }
    }
    const std::string text = experimentText(sweep);
    const std::filesystem::path kept = dir / kSweepFile;
    if (std::filesystem::exists(kept)) {
        if (readText(kept, "sweep file") != text) {
            readKeptSweep(dir);  // a damaged file is told as such
            throw Error("The folder " + dir.string() +
                        " holds a different sweep; choose another folder for this one.");
        }
    } else {
        writeFileAtomically(dir, kSweepFile, text);
    }

    // What a killed run of this shard left half made is made again from the start; damaged
    // configurations set aside are left for the user to look at.
    for (const auto& entry : std::filesystem::directory_iterator(configs)) {
        const std::string name = entry.path().filename().string();
        const std::size_t dash = name.find('-');
        if (name.starts_with(".") && dash != std::string::npos &&
            name.find(kSetAside) == std::string::npos) {
            try {
                if (std::stoul(name.substr(1, dash - 1)) % shard.count == shard.index) {
                    std::filesystem::remove_all(entry.path());
                }
            } catch (const std::exception&) {
                // Not one of ours.
            }
        }
    }
    // A configuration counts as finished only when collect would take it; a damaged one is
    // moved aside, under a name no configuration has, and made again.
    std::vector<std::size_t> pending;
    std::size_t mine = 0;
    for (std::size_t i = shard.index; i < total; i += shard.count) {
        ++mine;
        const std::filesystem::path folder = configurationFolder(dir, i);
        if (!std::filesystem::exists(folder)) {
            pending.push_back(i);
            continue;
        }
        try {
            readConfiguration(sweep, dir, i);
        } catch (const Error&) {
            std::string aside =
                (configs / ("." + folder.filename().string() + kSetAside + "XXXXXX")).string();
            if (::mkdtemp(aside.data()) == nullptr) {
                throw Error("Cannot make a folder in " + configs.string() + ": " +
                            std::strerror(errno) + ".");
            }
            // Replaces the empty folder just made.
            std::filesystem::rename(folder, aside);
            pending.push_back(i);
        }
    }

    // The largest configurations first, so that no thread is left with a long one at the end
    // while the others idle; the order of the work changes no result.
    const auto estimate = [&](std::size_t index) {
        const Experiment c = configuration(sweep, index);
        double size = 1.0;
        for (const std::string* field :
             {&c.params.agents, &c.params.runs, &c.params.cycles, &c.params.generations}) {
            try {
                size *= std::max(1.0, parseNumber(*field, "Size"));
            } catch (const Error&) {
                // A text the sweep's checks let through but this estimate cannot read.
            }
        }
        return size;
    };
    std::vector<double> sizes(total, 0.0);
    for (const std::size_t index : pending) {
        sizes[index] = estimate(index);
    }
    std::stable_sort(pending.begin(), pending.end(),
                     [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });

    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{mine - pending.size()};
    RunCounters counters;
    std::atomic<bool> finished{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
    std::atomic<bool> failed{false};

    const auto runPending = [&] {
        for (std::size_t k = next++; k < pending.size() && !failed; k = next++) {
            const std::size_t index = pending[k];
            try {
                runConfiguration(configuration(sweep, index), configurationFolder(dir, index), 1,
                                 counters, stop);
                ++done;
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (failure == nullptr) {
                    failure = std::current_exception();
                }
                failed = true;
            }
        }
    };
    std::vector<std::jthread> pool;
    for (int t = 0; t < std::max(1, threads); ++t) {
        pool.emplace_back(runPending);
    }
    std::jthread reporter([&] {
        while (!finished) {
            progress.show(done, mine, counters.runs, counters.cycles);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    });
    pool.clear();
    finished = true;
    reporter.join();
    progress.show(done, mine, counters.runs, counters.cycles);
    if (failure != nullptr) {
        std::rethrow_exception(failure);
    }
    return pending.size();
}

CollectReport collectSweep(const std::filesystem::path& dir) {
    const std::filesystem::path kept = dir / kSweepFile;
    if (!std::filesystem::exists(kept)) {
        throw Error("The folder " + dir.string() + " holds no sweep (" + kSweepFile +
                    " is missing).");
    }
    const Experiment sweep = readKeptSweep(dir);
    const std::vector<std::string> keys = sweptKeys(sweep);
    const auto header = [&](std::vector<std::string> tail) {
        std::vector<std::string> fields{std::string(tables::kConfigColumn)};
        fields.insert(fields.end(), keys.begin(), keys.end());
        fields.insert(fields.end(), tail.begin(), tail.end());
        return tables::csvRow(fields);
    };
    std::string runsTable = header(tables::names(tables::kRunColumns));
    std::string generationsTable = header(tables::names(tables::kGenerationColumns));
    std::string summaryTable = header(tables::names(tables::kSummaryColumns));

    CollectReport report;
    const std::size_t total = configurationCount(sweep);
    std::vector<ConfigurationMetrics> collected(total);
    for (std::size_t index = 0; index < total; ++index) {
        const std::filesystem::path folder = configurationFolder(dir, index);
        if (!std::filesystem::exists(folder)) {
            report.missing.push_back(index);
            continue;
        }
        SimulationResults results;
        try {
            results = readConfiguration(sweep, dir, index);
        } catch (const Error& error) {
            report.missing.push_back(index);
            report.damaged.push_back("configuration " + std::to_string(index) + " (" +
                                     folder.string() + "): " + error.what());
            continue;
        }
        std::vector<std::string> lead{std::to_string(index)};
        for (const std::string& value : sweptValues(sweep, index)) {
            lead.push_back(value);
        }
        const auto withLead = [&](const std::vector<std::string>& tail) {
            std::vector<std::string> fields = lead;
            fields.insert(fields.end(), tail.begin(), tail.end());
            return tables::csvRow(fields);
        };

        // Runs, and per generation the three metrics of its runs.
        std::vector<std::array<std::vector<double>, 3>> metrics;
        for (const RunResult& run : results.runs) {
            runsTable += withLead({std::to_string(run.generation), std::to_string(run.run),
                                   std::to_string(run.seed), formatNumber(run.first),
                                   formatNumber(run.last), formatNumber(run.percentOut)});
            const auto generation = static_cast<std::size_t>(run.generation);
            metrics.resize(std::max(metrics.size(), generation + 1));
            metrics[generation][0].push_back(run.first);
            metrics[generation][1].push_back(run.last);
            metrics[generation][2].push_back(run.percentOut);
        }
        for (std::size_t g = 0; g < metrics.size(); ++g) {
            std::vector<std::string> fields{std::to_string(g),
                                            std::to_string(metrics[g][0].size())};
            // Empty where undefined: a spread below two runs.
            for (const double statistic : summaryStatistics(metrics[g])) {
                fields.push_back(std::isnan(statistic) ? std::string() : formatNumber(statistic));
            }
            summaryTable += withLead(fields);
        }

        collected[index].finished = true;
        collected[index].runs = std::move(metrics);
        // Fitness and genes per generation, from the provenance.
        for (const GenerationSummary& g : results.generations) {
            collected[index].totalFitness.push_back(g.totalFitness);
            generationsTable +=
                withLead({std::to_string(g.generation), formatNumber(g.totalFitness),
                          formatNumber(g.expGeneMean), formatNumber(g.expGeneSd),
                          formatNumber(g.comGeneMean), formatNumber(g.comGeneSd)});
        }
    }
    if (sweep.design) {
        // Every point, finished or not: the design is the sweep's, not its results'.
        std::vector<std::string> columns = tables::names(tables::kDesignColumns);
        for (const DesignFactor& factor : sweep.design->factors) {
            columns.push_back(factor.key);
        }
        std::string designTable = header(columns);
        for (std::size_t index = 0; index < total; ++index) {
            const std::size_t point = designPointOf(sweep, index);
            const DesignPoint& p = sweep.design->points->at(point);
            std::vector<std::string> fields{std::to_string(index)};
            for (const std::string& value : sweptValues(sweep, index)) {
                fields.push_back(value);
            }
            fields.push_back(std::to_string(p.point));
            fields.push_back(p.block);
            for (const std::string& value : sweep.design->values(point)) {
                fields.push_back(value);
            }
            designTable += tables::csvRow(fields);
        }
        writeFileAtomically(dir, "design.csv", designTable);
        writeFileAtomically(dir, "sensitivity.csv",
                            sensitivityTable(sweep, collected, report.notes));
        report.written.push_back("design.csv");
        report.written.push_back("sensitivity.csv");
    }
    if (const std::string compare = compareTable(sweep, collected, report.notes);
        !compare.empty()) {
        writeFileAtomically(dir, "compare.csv", compare);
        report.written.push_back("compare.csv");
    }
    writeFileAtomically(dir, "runs.csv", runsTable);
    writeFileAtomically(dir, "generations.csv", generationsTable);
    writeFileAtomically(dir, "summary.csv", summaryTable);
    return report;
}

}  // namespace murelta
