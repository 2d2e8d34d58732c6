#include "experiment/record.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ostream>

#include "experiment/results.hpp"
#include "experiment/tables.hpp"
#include "experiment/toml_lines.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/run_stats.hpp"
#include "run/simulation.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

#ifndef MURELTA_VERSION
#define MURELTA_VERSION "unknown"
#endif

namespace murelta {

namespace {

std::string provenanceText(const SimState& s, const SimulationResult& result,
                           const std::string& started, int threads, const std::string& runs) {
    std::vector<GenerationSummary> summaries;
    std::vector<long> runCounts;
    for (std::size_t g = 0; g < result.generations.size(); ++g) {
        summaries.push_back(result.generations[g].summary);
        summaries.back().generation = static_cast<int>(g);
        runCounts.push_back(static_cast<long>(result.generations[g].runs.size()));
    }
    // The table as toml++ writes it, line by line: the keys in byte order, the plain values
    // first, then each generation after a blank line under an indented header.
    std::string text =
        "\n# How this record was made; murelta-batch ignores it when running the file.\n"
        "[provenance]\n";
    const auto add = [&text](std::string_view indent, const std::string& line) {
        text += indent;
        text += line;
        text += '\n';
    };
    add("", tomlLine("completed", result.complete));
    add("", tomlLine("digest", recordDigest(runs, summaries, runCounts)));
    add("", tomlLine("finished", utcNow()));
    add("", tomlLine("first-seed", static_cast<std::int64_t>(s.seed + 1)));
    if (summaries.empty()) {
        add("", "generations = []");
    }
    add("", tomlLine("last-seed", static_cast<std::int64_t>(s.seed + s.runCount)));
    add("", tomlLine("started", started));
    add("", tomlLine("threads", static_cast<std::int64_t>(threads)));
    add("", tomlLine("version", programVersion()));
    const auto& keys = tables::kProvenanceKeys;
    for (std::size_t g = 0; g < summaries.size(); ++g) {
        const GenerationSummary& summary = summaries[g];
        text += "\n    [[provenance.generations]]\n";
        add("    ", tomlLine(keys[3], summary.comGeneMean));
        add("    ", tomlLine(keys[4], summary.comGeneSd));
        add("    ", tomlLine(keys[1], summary.expGeneMean));
        add("    ", tomlLine(keys[2], summary.expGeneSd));
        add("    ", tomlLine("generation", static_cast<std::int64_t>(g)));
        add("    ", tomlLine("runs", static_cast<std::int64_t>(runCounts[g])));
        add("    ", tomlLine(keys[0], summary.totalFitness));
    }
    return text;
}

// One RFC 4180 row per run of every generation, numbers with a point.
std::string runsCsv(const SimState& s, const SimulationResult& result) {
    std::string text = tables::csvRow(tables::names(tables::kRunColumns));
    for (std::size_t g = 0; g < result.generations.size(); ++g) {
        for (const RunStatsRow& row : result.generations[g].runs) {
            const auto run = static_cast<int>(row[kRunIndex]);
            text += tables::csvRow({std::to_string(g), std::to_string(run),
                                    std::to_string(runSeed(s, run)), formatNumber(row[kFirstExit]),
                                    formatNumber(row[kLastExit]), formatNumber(row[kPercentOut])});
        }
    }
    return text;
}

// What the record takes while the simulation runs and is written: the network captured before
// the first run (each agent's receivers as ranges, counted in its links; a vector may take twice
// what it holds), the experiment it was given, the provenance and the table of runs, which are
// built as texts (each row at most 54 bytes, and a growing text may take twice its length).
double recordBytes(const SimState& s, const Experiment& e) {
    requireStructures(s);
    std::size_t starts = 0;
    for (int i = 0; i < s.groupSize; ++i) {
        const std::uint8_t* links = s.agent(i).links.data();
        starts += links[0] == 1 ? 1U : 0U;
        for (int j = 1; j < s.groupSize; ++j) {
            starts += links[j] == 1 && links[j - 1] != 1 ? 1U : 0U;
        }
    }
    const auto ranges = static_cast<double>(starts);
    double given = 0.0;
    for (const AgentDesign& agent : e.agents) {
        given += static_cast<double>(agent.receivers.ranges().capacity());
    }
    const double agents = static_cast<double>(s.groupSize) + static_cast<double>(e.agents.size());
    const double network = 2.0 * ranges * sizeof(Receivers::Range) +
                           given * sizeof(Receivers::Range) + 2.0 * agents * sizeof(AgentDesign) +
                           2.0 * (s.targetCount + 1.0) * sizeof(std::int16_t);
    const double rows = std::max<int>(s.runCount, 0) * std::max<double>(s.generationCount, 0);
    const double provenance = 1024.0 * std::max<int>(s.generationCount, 0);
    return network + provenance + 2.0 * 54.0 * rows;
}

}  // namespace

int recordThreads(const SimState& s, const Experiment& e, int threads) {
    return Record(s, e).threadsFor(s, threads);
}

std::string utcNow() {
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    return utcText(now.time_since_epoch().count());
}

std::string utcText(std::int64_t seconds) {
    // The calendar worked out from the count of days, as gmtime does, but without the time zone
    // files gmtime reads first.
    using namespace std::chrono;
    const sys_seconds time{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(time - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string programVersion() {
    return MURELTA_VERSION;
}

Record::Record(const SimState& s, const Experiment& e)
    // The network as it stands, every agent written out, so that the record runs the same
    // simulation whatever drew the random network; the preset stays to say where it came from.
    : experiment_(captureExperiment(s, e.params, e.label, e.preset)),
      bytes_(recordBytes(s, e)),
      started_(utcNow()) {}

int Record::threadsFor(const SimState& s, int threads) const {
    checkCanStart(s);
    return threadsThatFit(s, threads, bytes_);
}

RecordPaths Record::write(const SimState& s, const Simulation& simulation) const {
    const SimulationResult& result = simulation.result();
    Experiment ran = experiment_;
    ran.changes = simulation.changes();
    const std::string runs = runsCsv(s, result);
    RecordPaths paths;
    // Beside the data file, under its name; an earlier record is never replaced.
    paths.experiment = writeFileAtomically(
        result.directory, result.fileStem + ".toml",
        [&](std::ostream& out) {
            writeExperimentText(out, ran);
            out << provenanceText(s, result, started_, result.threads, runs);
        },
        false);
    paths.runs = writeFileAtomically(result.directory, result.fileStem + ".csv", runs, false);
    return paths;
}

RecordPaths runAndRecord(SimState& s, SimulationSetup setup, const Experiment& e) {
    const Record record(s, e);
    setup.threads = record.threadsFor(s, setup.threads);
    if (setup.changes.empty()) {
        setup.changes = e.changes;
    }
    Simulation simulation(s, std::move(setup));
    while (simulation.advance() != Advance::kFinished) {
    }
    return record.write(s, simulation);
}

std::string recordDigest(std::string_view runsCsv,
                         const std::vector<GenerationSummary>& generations,
                         const std::vector<long>& runCounts) {
    std::string covered(runsCsv);
    for (std::size_t g = 0; g < generations.size(); ++g) {
        const GenerationSummary& summary = generations[g];
        covered +=
            tables::csvRow({std::to_string(summary.generation),
                            std::to_string(g < runCounts.size() ? runCounts[g] : 0),
                            formatNumber(summary.totalFitness), formatNumber(summary.expGeneMean),
                            formatNumber(summary.expGeneSd), formatNumber(summary.comGeneMean),
                            formatNumber(summary.comGeneSd)});
    }
    // FNV-1a over 64 bits: it catches a changed byte, and no one forges a record to fool it.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : covered) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char text[32];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace murelta
