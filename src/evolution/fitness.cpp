#include "evolution/fitness.hpp"

#include "sim/state.hpp"

namespace murelta {

void creditFitness(SimState& s) {
    const int length = s.cyclesPerRun + 1;
    for (int a = 0; a < s.groupSize; ++a) {
        const Agent& agent = s.agent(a);
        changeFitness(s, agent.individual,
                      static_cast<double>(length - agent.timeInArena) / length);
    }
}

void averageFitness(SimState& s) {
    for (Individual& individual : s.population) {
        if (individual.useCount > 0) {
            individual.fitness = individual.fitness / individual.useCount;
        }
    }
}

}  // namespace murelta
