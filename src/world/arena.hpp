// The arena at the start of a run: emptying the grid, placing targets and agents at random
// cells, and marking the target cells. Nothing else changes the arena during a run, so the
// sums of its target cells that perception reads are made here, once per run.
#pragma once

namespace murelta {

struct SimState;

// Sets every arena cell to empty, and the target sums to match.
void clearArena(SimState& s);
// Gives each target the size targetSize and a random top-left cell (x drawn before y, targets
// in index order). Throws Error, placing nothing, when targetSize exceeds the arena's width or
// height.
void placeTargets(SimState& s);
// Puts every agent on a random start cell (or all on one cell with sameStart), back in the
// arena with timeInArena 0.
void placeAgents(SimState& s);
// Marks the cells covered by each target on the arena, then sums the target cells up.
void markTargets(SimState& s);
// Makes the target sums anew from the arena as it is, for code that marks cells itself.
void sumTargets(SimState& s);

}  // namespace murelta
