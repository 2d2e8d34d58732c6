// What a run leaves in the data file: the count of agents out and the run's statistics row.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;

// The number of agents 0..groupSize-1 that have left the arena.
std::int16_t countAgentsOut(const SimState& s);
// Fills runStats row runIndex: the index, the first and last exit times (first never above
// cyclesPerRun, last the run's length while an agent is still in) and the percentage out.
void recordRunStats(SimState& s, std::int16_t runIndex);
// The seed a run's generator starts from, by the run's index from 0, as records name it.
long runSeed(const SimState& s, int runIndex);
}  // namespace murelta
