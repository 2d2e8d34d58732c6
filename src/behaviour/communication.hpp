// Messages between agents over the queue: clearing it at a run start, sending, delivering the
// messages that fall due into their receivers' maps, counting, and the communication range.
#pragma once

#include <cstdint>

#include "sim/message_queue.hpp"
#include "sim/state.hpp"

namespace murelta {

// Frees every slot of the queue.
void clearMessages(SimState& s);
// Queues a copy of msg (delay ignored) in the first free slot; drops it silently when full.
void sendMessage(SimState& s, const Message& msg);
// Advances the queue one cycle and writes each message that falls due into its receiver's map,
// in slot order, so the higher slot wins when two write the same cell.
void deliverMessages(SimState& s);
// The number of slots in use.
std::int16_t countMessages(const SimState& s);
// Whether a message from agent a can reach agent b: always when commRadius is at least the
// arena's diagonal, otherwise when their distance is strictly below commRadius.
bool inCommRange(const SimState& s, std::int16_t a, std::int16_t b);

// inCommRange worked out once for the radius and arena in force: either everybody is in range,
// or exactly the pairs whose squared distance lies below `below`.
struct CommRange {
    bool everywhere = false;
    std::int64_t below = 0;
};
CommRange commRange(const SimState& s);
inline bool inCommRange(const CommRange& range, const Agent& from, const Agent& to) {
    if (range.everywhere) {
        return true;
    }
    const std::int64_t dx = from.x - to.x;
    const std::int64_t dy = from.y - to.y;
    return dx * dx + dy * dy < range.below;
}

}  // namespace murelta
