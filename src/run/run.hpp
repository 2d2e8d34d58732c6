// What a simulation must satisfy before it starts (its checks and the memory it will hold) and
// what it leaves behind; the simulation itself, which its caller advances, is in
// run/simulation.hpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/state.hpp"

namespace murelta {

// Gives an agent an individual: its index and its genes scaled to 0..255/256.
void assignIndividual(Agent& agent, const Individual& individual, std::int16_t index);

// Throws Error, naming the problem, when a simulation with these parameters could not run to
// its end: no agents or generations, seed + runs or cycles beyond 16 bits, a cost charged per
// cycle with no cycles, or a target larger than the arena. Needs no structures, so a runner
// can check before it allocates them.
void checkRunParameters(const SimState& s);

// checkRunParameters, and the structures must match the parameters (requireStructures).
void checkCanStart(const SimState& s);

// The memory a simulation of `s` holds on `threads` threads, besides `heldBytes` that its caller
// keeps for it (a record): the program, the state; with several threads also one copy of it per
// thread and the runs made but not yet added; and the statistics row of every run of every
// generation.
double simulationBytes(const SimState& s, int threads, double heldBytes = 0.0);
// `threads` when simulationBytes stays within kMaxSimulationBytes, else the most threads for
// which it does. Throws Error, naming the boxes to change, when not even one thread fits.
int threadsThatFit(const SimState& s, int threads, double heldBytes = 0.0);

// One generation's numbers, numbered from 0: Total Fitness, and the mean and standard deviation
// of both genes it ran with. The driver reports them at the generation's end; records and sweep
// tables keep them.
struct GenerationSummary {
    int generation = 0;
    double totalFitness = 0.0;
    double expGeneMean = 0.0;
    double expGeneSd = 0.0;
    double comGeneMean = 0.0;
    double comGeneSd = 0.0;
};

// What one generation left behind: its numbers and the statistics rows of the runs that took
// place.
struct GenerationResult {
    GenerationSummary summary;
    std::vector<RunStatsRow> runs;
};

struct SimulationResult {
    bool complete = true;             // every run of every generation took place
    int threads = 1;                  // as asked, or fewer when the memory allows no more
    std::filesystem::path directory;  // where the data file went, or would have gone
    std::filesystem::path dataFile;   // empty when none was written (several generations)
    // The base name of the data file and the record: SimState::dataFileName, or the first free
    // name after it when files of that name were already in the folder.
    std::string fileStem;
    std::vector<GenerationResult> generations;
};

}  // namespace murelta
