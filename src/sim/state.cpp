#include "sim/state.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"

namespace murelta {

namespace {

void requireNotNegative(int value, const char* label) {
    if (value < 0) {
        throw Error(std::string(label) + " must not be negative (it is " + std::to_string(value) +
                    ").");
    }
}

// What the allocator keeps beside each block it hands out.
constexpr double kAllocationBytes = 16.0;

}  // namespace

std::string megabytes(double bytes) {
    return std::to_string(std::llround(bytes / (1024.0 * 1024.0))) + " MB";
}

SimState::SimState() {
    readParams(*this, Params{});
}

double structureBytes(const SimState& s) {
    const double n = s.groupSize;
    const double cells = (s.arenaWidth + 1.0) * (s.arenaHeight + 1.0);
    const double sums = (s.arenaWidth + 2.0) * (s.arenaHeight + 2.0) * CellSums::kBytesPerEntry;
    // A map lists a cell when it turns non-zero, at most once per cell in a cycle and never
    // more than the messages one cycle delivers.
    const double written = std::min(cells, MessageQueue::kSlots + 1.0) * sizeof(std::uint32_t);
    const double perAgent = sizeof(Agent) + sizeof(ViewSums) + cells * sizeof(std::int16_t) +
                            written + (n + 1.0) + 3 * kAllocationBytes;
    const double population = s.popSize * (sizeof(Individual) + s.genomeLength + kAllocationBytes);
    const double messages = MessageQueue::kBytes;
    return n * perAgent + 2.0 * sizeof(Agent) + sizeof(ViewSums) + cells * sizeof(std::int16_t) +
           sums + (s.targetCount + 1.0) * sizeof(Target) +
           (s.runCount + 1.0) * sizeof(RunStatsRow) + population + messages + sizeof(SimState);
}

void setRetina(Agent& agent, double retina) {
    if (!(retina >= 0.0 && retina <= kMaxRetina)) {
        throw Error("A retina of " + formatNumber(retina) +
                    " cells is not possible: it must be from 0 to " + std::to_string(kMaxRetina) +
                    ".");
    }
    agent.retina = retina;
}

void checkSizes(const SimState& s) {
    requireNotNegative(s.groupSize, "Group size");
    requireNotNegative(s.arenaWidth, "Width");
    requireNotNegative(s.arenaHeight, "Height");
    requireNotNegative(s.targetCount, "Foods");
    requireNotNegative(s.targetSize, "Foods size");
    requireNotNegative(s.runCount, "Runs");
    if (s.retinaRadius < 0 || s.retinaRadius > kMaxRetina) {
        throw Error("Retina radius must be from 0 to " + std::to_string(kMaxRetina) + " (it is " +
                    std::to_string(s.retinaRadius) + ").");
    }
    const double bytes = structureBytes(s);
    if (bytes > kMaxSimulationBytes) {
        throw Error("An arena of " + std::to_string(s.arenaWidth) + " x " +
                    std::to_string(s.arenaHeight) + " with " + std::to_string(s.groupSize) +
                    " agents needs " + megabytes(bytes) + " of memory; this program allows " +
                    megabytes(kMaxSimulationBytes) + ". Make the arena or the group smaller.");
    }
}

void allocateStructures(SimState& s) {
    checkSizes(s);
    const int columns = s.arenaWidth + 1;
    const int rows = s.arenaHeight + 1;
    const auto n = static_cast<std::size_t>(s.groupSize);
    s.structuresReady = false;
    s.agents.assign(n + 1, Agent{});
    for (std::size_t i = 0; i < n; ++i) {
        Agent& agent = s.agents[i];
        setRetina(agent, s.retinaRadius);
        agent.rank = 0;
        agent.map = AgentMap(columns, rows);
        agent.links.assign(n + 1, 0);
    }
    s.viewSums.clear();  // they described views that no longer exist
    s.arena = Grid<std::int16_t>(columns, rows);
    // An arena without targets: its sums are those of no square, without tables of zeros.
    s.targetSums.useSquares(columns, rows, {});
    s.targets.assign(static_cast<std::size_t>(s.targetCount) + 1, Target{});
    s.runStats.assign(static_cast<std::size_t>(s.runCount) + 1, RunStatsRow{});
    s.structuresReady = true;
}

bool hasStructures(const SimState& s) {
    const auto agents = static_cast<std::size_t>(s.groupSize) + 1;
    return s.structuresReady && s.groupSize >= 0 && s.agents.size() == agents &&
           (s.groupSize == 0 || s.agents[0].links.size() == agents) &&
           s.arena.columns() == s.arenaWidth + 1 && s.arena.rows() == s.arenaHeight + 1 &&
           s.targets.size() == static_cast<std::size_t>(s.targetCount) + 1 &&
           s.runStats.size() == static_cast<std::size_t>(s.runCount) + 1;
}

void requireStructures(const SimState& s) {
    if (!hasStructures(s)) {
        throw Error(
            "The parameters in force do not match the agents and the arena: the last \"Set "
            "parameters\" was refused or has not run. Correct the box it named and press \"Set "
            "parameters\" first.");
    }
}

void requireAgent(const SimState& s, int agent) {
    requireStructures(s);
    if (agent < 0 || agent >= s.groupSize) {
        throw Error("There is no agent " + std::to_string(agent) + ": the group has agents 0 to " +
                    std::to_string(s.groupSize - 1) + ".");
    }
}

}  // namespace murelta
