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

// A whole cycle, perception, delivery and the turns, when every agent's retina covers the arena
// from where it stands, the arena holds a target, no agent has a link and the queue delivers
// nothing: each agent sees every target cell and heads for their centre. Exactly what
// updateRetina, deliverMessages and agentsStep would do, in one pass without the views' round
// trip. Returns false, having changed nothing, when that does not hold.
bool stepWhenAllSeeEverything(SimState& s);

// One coordinate of the cell the target cells an agent sees centre on, floor(position + sum /
// count) for a count above 0, in whole numbers: the same answer as the double arithmetic for
// every position and view of an int16 arena.
std::int16_t centreCoordinate(int position, int sum, int count);

}  // namespace murelta
