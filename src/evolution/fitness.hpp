// Fitness: the credit a run gives the individuals its agents carried, and its average over
// their uses after a generation.
#pragma once

namespace murelta {

struct SimState;

// Credits each agent's individual with (C + 1 - timeInArena) / (C + 1), C = cyclesPerRun.
void creditFitness(SimState& s);
// Divides the fitness of every individual used at least once by its use count.
void averageFitness(SimState& s);

}  // namespace murelta
