// One cycle of every agent's behaviour: read the map and the view, wander or head for the best
// known target cell, report it to linked agents in range, pay the costs, step one cell and leave
// the arena on a target cell.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;

// Processes agents 0..groupSize-1 once each, in index order; each agent sees the positions the
// earlier agents of this cycle have moved to.
void agentsStep(SimState& s);

// One coordinate of the cell the target cells an agent sees centre on, floor(position + sum /
// count) for a count above 0, in whole numbers: the same answer as the double arithmetic for
// every position and view of an int16 arena.
std::int16_t centreCoordinate(int position, int sum, int count);

}  // namespace murelta
