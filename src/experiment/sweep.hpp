// Sweeps: every configuration of an experiment's [sweep] in a folder of its own, on every
// core, resumable after any stop, shardable over the tasks of a cluster, and the tables
// collected from whatever configurations are finished.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "experiment/experiment.hpp"
#include "experiment/results.hpp"

namespace murelta {

// The configurations a task runs: those whose number modulo `count` is `index`.
struct Shard {
    std::size_t index = 0;
    std::size_t count = 1;
};

// Reads "K/N" with 0 <= K < N; throws Error otherwise.
Shard parseShard(const std::string& text);

// What a sweep reports while it runs, from its own thread. Does nothing by default.
class SweepProgress {
  public:
    virtual ~SweepProgress() = default;
    // Called now and then with the totals so far: configurations finished (also those found
    // finished) of `configurations` to do, runs finished, and cycles run.
    virtual void show(std::size_t done, std::size_t configurations, long runs, long cycles);
};

// What the configurations running on several threads have done so far, for a progress line.
struct RunCounters {
    std::atomic<long> runs{0};
    std::atomic<long> cycles{0};
};

// Thrown by the runs of configurations when `stop` asked them to end: those finished are kept,
// and the one under way leaves nothing, as if it had not begun.
class Stopped : public Error {
  public:
    using Error::Error;
};

// Runs `e` on up to `threads` threads (as many as its memory allows) into the folder `target`:
// its experiment file, data file and record are made in a temporary folder beside it, which is
// then renamed, so that `target` is always whole or absent. Throws Error, leaving nothing, and
// Stopped at the cycle after a stop is requested.
void runConfiguration(const Experiment& e, const std::filesystem::path& target, int threads,
                      RunCounters& counters, std::stop_token stop = {});

// Runs each experiment into its folder (runConfiguration) on `threads` threads in all: few
// experiments share the threads, many go one to a thread; either way the results are those of
// one thread. The first Error of any ends the others at their next configuration and is thrown.
void runConfigurations(const std::vector<Experiment>& experiments,
                       const std::vector<std::filesystem::path>& folders, int threads,
                       RunCounters& counters, std::stop_token stop = {});

// The results in `folder`, checked to be a finished run of `expected`: its experiment file,
// the record's experiment, and every run of every generation. `what` names the configuration in
// messages ("configuration 7 of DIR/sweep.toml"). An Error names the file, the line and what is
// wrong.
SimulationResults readFinishedConfiguration(const Experiment& expected,
                                            const std::filesystem::path& folder,
                                            const std::string& what);

// The folder of configuration `index` inside a sweep's folder: configs/0007.
std::filesystem::path configurationFolder(const std::filesystem::path& dir, std::size_t index);

// Runs, on `threads` threads, the configurations of `sweep` that belong to `shard` and are not
// finished in `dir` yet. Each configuration's experiment, record and data file are made in a
// temporary folder and then renamed into configs/NNNN, so a folder there is always complete.
// A folder there that collectSweep would refuse is moved aside to configs/.NNNN-damaged-XXXXXX
// and made again. The sweep's experiment is kept in dir/sweep.toml; a folder holding a
// different sweep, and a sweep some of whose files could not be named, are refused with an
// Error before anything runs. Returns the number of configurations run; a requested `stop` ends
// it with Stopped, keeping the configurations finished.
std::size_t runSweep(const Experiment& sweep, const std::filesystem::path& dir, int threads,
                     Shard shard, SweepProgress& progress, std::stop_token stop = {});

// What collectSweep left out of the tables.
struct CollectReport {
    // The configurations not finished or damaged, in order: running the sweep again makes them.
    std::vector<std::size_t> missing;
    // A line per damaged configuration: its number, its folder, and the file, line and fault.
    std::vector<std::string> damaged;
    // Tables written besides runs.csv, generations.csv and summary.csv.
    std::vector<std::string> written;
    // What the derived tables could not say: a design's group whose points are not all
    // finished, an output no factor moves, pairs too many to compare.
    std::vector<std::string> notes;
};

// Builds runs.csv, generations.csv and summary.csv in `dir` from the finished configurations;
// for a design also design.csv of all its points and sensitivity.csv, and compare.csv of the
// configurations' (or with a design the swept configurations') pairs.
// Each is checked as the viewer checks a record, and against the sweep kept in dir/sweep.toml,
// whose configuration its experiment file must be; one that fails is left out as missing. A
// sweep file that cannot be read, is damaged or holds no sweep is an Error.
CollectReport collectSweep(const std::filesystem::path& dir);

}  // namespace murelta
