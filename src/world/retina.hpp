// Perception: every agent copies the square window of arena cells within its retina into its
// view and writes the number of target cells it sees into its freshly wiped map.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;

// Wipes every agent's map, then fills each agent's view and sets map(x, y) at its own cell to
// the count of target cells in view. Cells beyond the border read as empty.
void updateRetina(SimState& s);
// Sets every cell of agent a's map to 0.
void clearAgentMap(SimState& s, std::int16_t a);

}  // namespace murelta
