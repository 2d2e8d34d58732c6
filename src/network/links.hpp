// The communication network between agents: who passes messages to whom, the predefined
// topologies, the two-agent link commands, the random network and the range option's radii.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;

// The communication radius set by the range option "Space independent".
inline constexpr double kSpaceIndependentRadius = 100.0;
// The communication radius set by the range option "Space dependent".
inline constexpr double kSpaceDependentRadius = 20.0;

// Removes every link, self links included.
void clearNet(SimState& s);
// Every agent linked to every other agent (no self links).
void netAll2All(SimState& s);
// A ring: each agent linked both ways with agents i - 1 and i + 1 modulo groupSize.
void netCircle(SimState& s);
// Agent 0 is the hub, linked both ways with every other agent.
void netStar(SimState& s);
// The link commands take two agents of the group, picked in this order; a == b is allowed.

// a -> b only: sets a's link to b, then clears b's link to a.
void setMonoLink(SimState& s, std::int16_t a, std::int16_t b);
// a <-> b: sets both links (a self link when a == b).
void setBiLink(SimState& s, std::int16_t a, std::int16_t b);
// Clears both links between a and b.
void deleteLink(SimState& s, std::int16_t a, std::int16_t b);
// Each ordered pair i != j gets a link when pConnection (as a float) exceeds a fresh draw;
// groupSize x (groupSize - 1) draws, rows first. Self links are left as they are.
void randomNet(SimState& s);

}  // namespace murelta
