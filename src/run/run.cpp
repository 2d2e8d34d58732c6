#include "run/run.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

std::string count(int n) {
    return std::to_string(n);
}

}  // namespace

void assignIndividual(Agent& agent, const Individual& individual, std::int16_t index) {
    agent.individual = index;
    agent.expGene = individual.genes[0] / 256.0;
    agent.comGene = individual.genes[1] / 256.0;
}

void checkRunParameters(const SimState& s) {
    if (s.groupSize < 1) {
        throw Error("Group size must be at least 1 to start a simulation (it is " +
                    count(s.groupSize) + ").");
    }
    if (s.generationCount < 1) {
        throw Error("Generations must be at least 1 to start a simulation (it is " +
                    count(s.generationCount) + ").");
    }
    if (s.cyclesPerRun < 0 || s.cyclesPerRun > kMaxCycles) {
        throw Error("Cycles must be from 0 to " + count(kMaxCycles) + " (it is " +
                    count(s.cyclesPerRun) + ").");
    }
    if (s.seed + s.runCount > kMaxInteger) {
        throw Error("Initial Seed plus Runs must not exceed " + count(kMaxInteger) + " (it is " +
                    count(s.seed) + " + " + count(s.runCount) + ").");
    }
    if (s.cyclesPerRun == 0 && (s.comCostOn || (s.expCostOn && s.expGeneOn))) {
        throw Error(
            "Costs are charged per cycle of a run, so Cycles must be at least 1 while a cost "
            "is on.");
    }
    // Every charge is cost / Cycles; an agent pays the exploration cost at most once a cycle
    // and the communication cost at most once per receiver, and an individual may be carried
    // by every agent in every run. A cost whose worst sum passes the largest double would
    // write an infinite Total Fitness.
    const double n = s.groupSize;
    const double charges = std::max(1.0, static_cast<double>(s.runCount)) * n *
                           (s.cyclesPerRun + 1.0) /
                           std::max(1.0, static_cast<double>(s.cyclesPerRun));
    const auto checkCost = [&](bool on, double cost, double perCycle, const char* label) {
        if (on && !std::isfinite(std::abs(cost) * perCycle * charges * 2.0)) {
            throw Error(std::string(label) + " " + formatNumber(cost) +
                        " is too large: charged over the runs, cycles and agents of this "
                        "simulation it would make fitness infinite.");
        }
    };
    checkCost(s.expCostOn && s.expGeneOn, s.expCost, 1.0, "Exploration Cost");
    checkCost(s.comCostOn, s.comCost, n, "Communication Cost");
    if (s.targetCount > 0 && (s.targetSize > s.arenaWidth || s.targetSize > s.arenaHeight)) {
        throw Error("Foods size " + count(s.targetSize) + " does not fit in an arena of " +
                    count(s.arenaWidth) + " x " + count(s.arenaHeight) + ".");
    }
}

void checkCanStart(const SimState& s) {
    checkRunParameters(s);
    requireStructures(s);
}

}  // namespace murelta
