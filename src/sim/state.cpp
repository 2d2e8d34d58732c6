#include "sim/state.hpp"

#include <string>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "world/arena.hpp"

namespace murelta {

namespace {

void requireNotNegative(int value, const char* label) {
    if (value < 0) {
        throw Error(std::string(label) + " must not be negative (it is " + std::to_string(value) +
                    ").");
    }
}

// Agent maps and the arena are dense grids; refuse sizes whose cells would not fit in memory
// rather than let the allocation fail half way or the system kill the program.
constexpr double kMaxGridCells = 512.0 * 1024 * 1024;

}  // namespace

void setRetina(Agent& agent, double retina) {
    if (!(retina >= 0.0 && retina <= kMaxRetina)) {
        throw Error("A retina of " + formatNumber(retina) +
                    " cells is not possible: it must be from 0 to " + std::to_string(kMaxRetina) +
                    ".");
    }
    const std::int32_t side = toLong(2.0 * retina, "Retina radius") + 1;
    agent.retina = retina;
    agent.view = Grid<std::int16_t>(side, side);
}

void allocateStructures(SimState& s) {
    requireNotNegative(s.groupSize, "Group size");
    requireNotNegative(s.arenaWidth, "Width");
    requireNotNegative(s.arenaHeight, "Height");
    requireNotNegative(s.targetCount, "Foods");
    requireNotNegative(s.runCount, "Runs");
    if (s.retinaRadius < 0 || s.retinaRadius > kMaxRetina) {
        throw Error("Retina radius must be from 0 to " + std::to_string(kMaxRetina) + " (it is " +
                    std::to_string(s.retinaRadius) + ").");
    }
    const int columns = s.arenaWidth + 1;
    const int rows = s.arenaHeight + 1;
    if (static_cast<double>(columns) * rows * (s.groupSize + 1) > kMaxGridCells) {
        throw Error("An arena of " + std::to_string(s.arenaWidth) + " x " +
                    std::to_string(s.arenaHeight) + " with " + std::to_string(s.groupSize) +
                    " agents needs more memory than this program allows; make the arena or "
                    "the group smaller.");
    }

    const auto n = static_cast<std::size_t>(s.groupSize);
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
    s.targets.assign(static_cast<std::size_t>(s.targetCount) + 1, Target{});
    clearArena(s);
    s.runStats.assign(static_cast<std::size_t>(s.runCount) + 1, RunStatsRow{});
}

}  // namespace murelta
