#include "experiment/record.hpp"

#include <toml++/toml.h>
#include <chrono>
#include <ctime>
#include <sstream>

#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/run_stats.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

#ifndef MURELTA_VERSION
#define MURELTA_VERSION "unknown"
#endif

namespace murelta {

namespace {

// The time now in ISO 8601, UTC, to the second.
std::string utcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string provenanceText(const SimState& s, const SimulationResult& result,
                           const std::string& started, int threads) {
    toml::array generations;
    for (std::size_t g = 0; g < result.generations.size(); ++g) {
        const GenerationResult& generation = result.generations[g];
        generations.push_back(
            toml::table{{"generation", static_cast<std::int64_t>(g)},
                        {"runs", static_cast<std::int64_t>(generation.runs.size())},
                        {"total-fitness", generation.totalFitness},
                        {"exp-gene-mean", generation.expGeneMean},
                        {"exp-gene-sd", generation.expGeneSd},
                        {"com-gene-mean", generation.comGeneMean},
                        {"com-gene-sd", generation.comGeneSd}});
    }
    toml::table provenance{{"version", programVersion()},
                           {"started", started},
                           {"finished", utcNow()},
                           {"first-seed", static_cast<std::int64_t>(s.seed + 1)},
                           {"last-seed", static_cast<std::int64_t>(s.seed + s.runCount)},
                           {"threads", static_cast<std::int64_t>(threads)},
                           {"completed", result.complete},
                           {"generations", std::move(generations)}};
    std::ostringstream out;
    out << "\n# How this record was made; murelta-batch ignores it when running the file.\n"
        << toml::table{{"provenance", std::move(provenance)}} << '\n';
    return out.str();
}

// One RFC 4180 row per run of every generation, numbers with a point.
std::string runsCsv(const SimState& s, const SimulationResult& result) {
    std::string text = "generation,run,seed,first,last,percent_out\r\n";
    for (std::size_t g = 0; g < result.generations.size(); ++g) {
        for (const RunStatsRow& row : result.generations[g].runs) {
            const auto run = static_cast<int>(row[kRunIndex]);
            text += std::to_string(g) + "," + std::to_string(run) + "," +
                    std::to_string(runSeed(s, run)) + "," + formatNumber(row[kFirstExit]) + "," +
                    formatNumber(row[kLastExit]) + "," + formatNumber(row[kPercentOut]) + "\r\n";
        }
    }
    return text;
}

}  // namespace

std::string programVersion() {
    return MURELTA_VERSION;
}

RecordPaths runAndRecord(SimState& s, RunDisplay& display, DataFileHost& files, const Experiment& e,
                         int threads) {
    // The network as it stands, every agent written out, so that the record runs the same
    // simulation whatever drew the random network.
    const Experiment complete = captureExperiment(s, e.params, e.label);
    const std::string started = utcNow();
    const SimulationResult result = runSimulation(s, display, files, threads);
    RecordPaths paths;
    // Beside the data file, under its name; an earlier record is never replaced.
    paths.experiment = writeFileAtomically(
        result.directory, result.fileStem + ".toml",
        experimentText(complete) + provenanceText(s, result, started, threads), false);
    paths.runs =
        writeFileAtomically(result.directory, result.fileStem + ".csv", runsCsv(s, result), false);
    return paths;
}

}  // namespace murelta
