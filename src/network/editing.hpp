// The editing rules of the network designer's agent and target panels: the one-leader rule and
// what the rank, retina and target size boxes store. The window reads its controls and the
// agents selected, and calls these.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace murelta {

struct SimState;

// What a click on the Leader check box of `agent` leads to.
struct LeaderClick {
    enum class Action {
        kNothing,  // the leader checked its own box again
        kSetRank,  // show `rank` in the rank box and store it
        kRefuse,   // another agent has a rank: undo the tick and warn
    };
    Action action = Action::kNothing;
    std::int16_t rank = 0;
};

// The one-leader rule, once the box shows `checked`. It counts ranks, not leaders: while any
// agent has a non-zero rank, only the agent with rank 1 may change its box, and only to clear
// it.
LeaderClick leaderClick(const SimState& s, std::int16_t agent, bool checked);

// A box's number as an Integer (halves to even), or nothing when it does not fit 16 bits.
std::optional<std::int16_t> boxInteger(double value);

// The rank box: a non-negative whole value goes to each of `agents`. Returns whether the value
// was taken; throws Error for an agent outside the group.
bool storeRank(SimState& s, std::span<const std::int16_t> agents, double value);

// The retina box: a whole value from 0 to kMaxRetina becomes the retina of each of `agents`,
// with a new empty view. Larger values are refused like malformed text, since the sensing
// cannot count targets in such a view.
bool storeRetina(SimState& s, std::span<const std::int16_t> agents, double value);

// The size box: any whole value, negative ones included, becomes the size of `target`.
bool storeTargetSize(SimState& s, std::int16_t target, double value);

// The target the "<" (step -1) and ">" (step +1) buttons move to: stays within
// 0 .. targetCount-1 and does not move when at an end.
std::int16_t shiftedTarget(const SimState& s, std::int16_t current, int step);

}  // namespace murelta
