#include "behaviour/communication.hpp"

#include <cassert>
#include <cmath>

#include "sim/state.hpp"

namespace murelta {

void clearMessages(SimState& s) {
    s.messages.clear();
}

void sendMessage(SimState& s, const Message& msg) {
    s.messages.push(msg);
}

void deliverMessages(SimState& s) {
    for (const MessageQueue::Due& due : s.messages.advance()) {
        assert(due.receiver >= 0 && static_cast<std::size_t>(due.receiver) < s.agents.size());
        s.agent(due.receiver).map.set(due.x, due.y, due.value);
    }
}

std::int16_t countMessages(const SimState& s) {
    return static_cast<std::int16_t>(s.messages.count());
}

bool inCommRange(const SimState& s, std::int16_t a, std::int16_t b) {
    if (s.commRadius >= s.arenaDiagonal) {
        return true;
    }
    const Agent& from = s.agent(a);
    const Agent& to = s.agent(b);
    const double dx = from.x - to.x;
    const double dy = from.y - to.y;
    return std::sqrt(dx * dx + dy * dy) < s.commRadius;
}

}  // namespace murelta
