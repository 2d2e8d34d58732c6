// The arena at the start of a run: emptying the grid, placing targets and agents at random
// cells, and marking the target cells.
#pragma once

namespace murelta {

struct SimState;

// Sets every arena cell to empty.
void clearArena(SimState& s);
// Gives each target the size targetSize and a random top-left cell (x drawn before y, targets
// in index order). Throws Error, placing nothing, when targetSize exceeds the arena's width or
// height.
void placeTargets(SimState& s);
// Puts every agent on a random start cell (or all on one cell with sameStart), back in the
// arena with timeInArena 0.
void placeAgents(SimState& s);
// Marks the cells covered by each target on the arena.
void markTargets(SimState& s);

}  // namespace murelta
