// The run driver: a whole simulation (generations of runs of cycles) on one SimState, written
// once over a World's cycle, with what it needs from a program behind RunDisplay and
// DataFileHost.
#pragma once

#include <cstdint>

namespace murelta {

struct Agent;
struct Individual;
struct SimState;
class DataFileHost;
class RunDisplay;
class World;

// The genetic algorithm's population: 100 individuals of 2 genes; each generation the best 10
// become parents of 10 copies each.
inline constexpr std::int16_t kPopulationSize = 100;
inline constexpr std::int16_t kGenomeLength = 2;
inline constexpr std::int16_t kReproductionDivisor = 1;
inline constexpr std::int16_t kParentCount = 10;
inline constexpr std::int16_t kOffspringPerParent = 10;

// Gives an agent an individual: its index and its genes scaled to 0..255/256.
void assignIndividual(Agent& agent, const Individual& individual, std::int16_t index);

// Throws Error, naming the problem, when a simulation with these parameters could not run to
// its end: no agents or generations, seed + runs or cycles beyond 16 bits, a cost charged per
// cycle with no cycles, or a target larger than the arena. Needs no structures, so a runner
// can check before it allocates them.
void checkRunParameters(const SimState& s);

// checkRunParameters, and the structures must match the parameters (requireStructures).
void checkCanStart(const SimState& s);

// The whole "Start" command: checks (also, for a single generation, that the data file can be
// written), creates the population, runs every generation, run and cycle of `world`, and for a
// single generation writes the data file. Stops at the end of the current run and generation
// once SimState::running is cleared.
void runSimulation(SimState& s, RunDisplay& display, DataFileHost& files, World& world);
// The same on the engine.
void runSimulation(SimState& s, RunDisplay& display, DataFileHost& files);

}  // namespace murelta
