// Perception: every agent counts the target cells in the square window of arena cells within
// its retina, sums their offsets from it, and writes the count into its freshly wiped map. The
// window itself is made only when asked for.
#pragma once

#include <cstdint>

#include "sim/grid.hpp"

namespace murelta {

struct Agent;
struct SimState;
struct ViewSums;

// Wipes every agent's map, then for each agent sets SimState::viewSums to what it sees from
// where it stands and map(x, y) at its own cell to the count of target cells in view. Reads
// the target sums, which must be in step with the arena. Throws Error for an agent whose retina
// has no whole window.
void updateRetina(SimState& s);
// Sets every cell of agent a's map to 0.
void clearAgentMap(SimState& s, std::int16_t a);

// The target cells within `agent`'s retina from where it stands, and their offsets summed.
ViewSums lookAround(const SimState& s, const Agent& agent);

// Agent a's view as it last perceived it (from where it stands, if it has not perceived since
// the structures were made): (2 retina + 1) cells across, column i and row j holding the arena
// cell at offsets i - retina and j - retina from the agent. Cells beyond the border read as
// empty.
Grid<std::int16_t> agentView(const SimState& s, int a);

}  // namespace murelta
