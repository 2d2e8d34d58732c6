// One cycle of every agent's behaviour: read the map and the view, wander or head for the best
// known target cell, report it to linked agents in range, pay the costs, step one cell and leave
// the arena on a target cell.
#pragma once

namespace murelta {

struct SimState;

// Processes agents 0..groupSize-1 once each, in index order; each agent sees the positions the
// earlier agents of this cycle have moved to.
void agentsStep(SimState& s);

}  // namespace murelta
