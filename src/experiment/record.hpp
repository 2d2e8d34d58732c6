// The record every simulation leaves beside its data file: <name>.toml, the complete
// experiment with its provenance (program version, times, seeds, threads, completed or stopped,
// fitness and genes per generation), and <name>.csv, one row per run of every generation. A
// record is itself an experiment that reproduces the simulation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "experiment/experiment.hpp"

namespace murelta {

class Simulation;
struct SimState;
struct SimulationResult;
struct SimulationSetup;
struct GenerationSummary;

// The program's version as `git describe` gave it when it was built.
std::string programVersion();
// The time now in ISO 8601, UTC, to the second, as provenances give it.
std::string utcNow();
// That text for a time given in seconds since 1970-01-01T00:00:00Z, leap seconds not counted.
std::string utcText(std::int64_t seconds);

struct RecordPaths {
    std::filesystem::path experiment;
    std::filesystem::path runs;
};

// A simulation's record, begun when it starts and written when it ends: <stem>.toml (the
// parameters and label of the experiment, the network in force at the start with every agent
// written out, the changes made to it while the simulation ran with the points at which they
// took effect, and the provenance) and <stem>.csv, atomically, beside the data file, also for
// several generations and for a stopped simulation.
class Record {
  public:
    // Takes the experiment in force: `e`'s parameters, label and preset, and the network of `s`.
    Record(const SimState& s, const Experiment& e);
    // The threads a simulation of `s` with this record may use: `threads`, or fewer when the
    // simulation with its record would hold more than kMaxSimulationBytes on that many (see
    // threadsThatFit). Throws Error, naming the boxes to change, when not even one thread fits,
    // or when the simulation could not start (checkCanStart).
    int threadsFor(const SimState& s, int threads) const;
    // Writes the record of the finished `simulation` of `s`; returns the paths written.
    RecordPaths write(const SimState& s, const Simulation& simulation) const;

  private:
    Experiment experiment_;
    double bytes_;
    std::string started_;
};

// Record(s, e).threadsFor(s, threads).
int recordThreads(const SimState& s, const Experiment& e, int threads);

// The whole "Start" command with its record: the simulation of `setup` (its threads reduced by
// threadsFor, and the changes of `e` made at their points) run to its end, then its record.
RecordPaths runAndRecord(SimState& s, SimulationSetup setup, const Experiment& e);

// The digest the provenance keeps of a record's results: of the table's text and, per
// generation, its runs and its numbers as generations.csv writes them. A reader that finds
// another knows that a number was changed, which no check of ranges could tell.
std::string recordDigest(std::string_view runsCsv,
                         const std::vector<GenerationSummary>& generations,
                         const std::vector<long>& runCounts);

}  // namespace murelta
