// The record every simulation leaves beside its data file: <name>.toml, the complete
// experiment with its provenance (program version, times, seeds, threads, completed or stopped,
// fitness and genes per generation), and <name>.csv, one row per run of every generation. A
// record is itself an experiment that reproduces the simulation.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/experiment.hpp"

namespace murelta {

class DataFileHost;
class RunDisplay;
struct SimState;
struct SimulationResult;
struct GenerationSummary;

// The program's version as `git describe` gave it when it was built.
std::string programVersion();

// The whole "Start" command with its record: runs the simulation on `s` and writes
// <dataFileName>.toml (the parameters and label of `e`, the network in force in `s` with every
// agent written out, and the provenance) and .csv, atomically, into the folder the data file
// went to, also for several generations and for a stopped simulation. Returns the paths
// written.
struct RecordPaths {
    std::filesystem::path experiment;
    std::filesystem::path runs;
};
// The threads runAndRecord will use: `threads`, or fewer when the simulation with its record
// would hold more than kMaxSimulationBytes on that many (see threadsThatFit). Throws Error,
// naming the boxes to change, when not even one thread fits, or when the simulation could not
// start (checkCanStart).
int recordThreads(const SimState& s, const Experiment& e, int threads);

// `threads` as runSimulation takes it, reduced by recordThreads.
RecordPaths runAndRecord(SimState& s, RunDisplay& display, DataFileHost& files, const Experiment& e,
                         int threads = 1);

// The digest the provenance keeps of a record's results: of the table's text and, per
// generation, its runs and its numbers as generations.csv writes them. A reader that finds
// another knows that a number was changed, which no check of ranges could tell.
std::string recordDigest(std::string_view runsCsv,
                         const std::vector<GenerationSummary>& generations,
                         const std::vector<long>& runCounts);

}  // namespace murelta
