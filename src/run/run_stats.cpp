#include "run/run_stats.hpp"

#include "sim/state.hpp"

namespace murelta {

std::int16_t countAgentsOut(const SimState& s) {
    int out = 0;
    for (int i = 0; i < s.groupSize; ++i) {
        out += s.agent(i).inArena ? 0 : 1;
    }
    return static_cast<std::int16_t>(out);
}

void recordRunStats(SimState& s, std::int16_t runIndex) {
    std::int16_t first = s.cyclesPerRun;
    std::int16_t last = 0;
    int out = 0;
    for (int i = 0; i < s.groupSize; ++i) {
        const Agent& agent = s.agent(i);
        out += agent.inArena ? 0 : 1;
        if (agent.timeInArena < first) {
            first = agent.timeInArena;
        }
        if (agent.timeInArena > last) {
            last = agent.timeInArena;
        }
    }
    RunStatsRow& row = s.runStats[static_cast<std::size_t>(runIndex)];
    row[kRunIndex] = runIndex;
    row[kFirstExit] = first;
    row[kLastExit] = last;
    row[kPercentOut] = static_cast<double>(out) / s.groupSize * 100.0;
}

long runSeed(const SimState& s, int runIndex) {
    return static_cast<long>(s.seed) + runIndex + 1;
}

}  // namespace murelta
