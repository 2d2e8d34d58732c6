// What a run leaves behind: the count of agents out, the run's statistics row, and the fitness
// credit of the individuals the agents carried, averaged over their uses after a generation.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;

// The number of agents 0..groupSize-1 that have left the arena.
std::int16_t countAgentsOut(const SimState& s);
// Fills runStats row runIndex: the index, the first and last exit times (first never above
// cyclesPerRun, last the run's length while an agent is still in) and the percentage out.
void recordRunStats(SimState& s, std::int16_t runIndex);
// Credits each agent's individual with (C + 1 - timeInArena) / (C + 1), C = cyclesPerRun.
void creditFitness(SimState& s);
// Divides the fitness of every individual used at least once by its use count.
void averageFitness(SimState& s);

}  // namespace murelta
