#include "behaviour/message_queue.hpp"

#include <bit>
#include <cassert>
#include <cmath>

#include "sim/state.hpp"

namespace murelta {

MessageQueue::MessageQueue() : slots_(kSlots), sentAt_(kSlots, 0) {
    for (auto& bucket : buckets_) {
        bucket.reserve(1024);
    }
    clear();
}

void MessageQueue::clear() {
    free_.fill(~std::uint64_t{0});
    free_.back() = (std::uint64_t{1} << (kSlots % 64)) - 1;
    freeWords_.fill(0);
    for (int w = 0; w < kWords; ++w) {
        freeWords_[static_cast<std::size_t>(w / 64)] |= std::uint64_t{1} << (w % 64);
    }
    for (auto& bucket : buckets_) {
        bucket.clear();
    }
    tick_ = 0;
    inUse_ = 0;
}

void MessageQueue::release(int slot) {
    const auto word = static_cast<std::size_t>(slot / 64);
    free_[word] |= std::uint64_t{1} << (slot % 64);
    freeWords_[word / 64] |= std::uint64_t{1} << (word % 64);
}

std::span<const std::uint16_t> MessageQueue::advance() {
    ++tick_;
    auto& delivered = buckets_[tick_ % kBuckets];  // sent six advances ago
    for (std::uint16_t slot : delivered) {
        release(slot);
    }
    inUse_ -= static_cast<int>(delivered.size());
    delivered.clear();
    return buckets_[(tick_ + 1) % kBuckets];  // sent five advances ago
}

Message MessageQueue::at(int slot) const {
    Message message = slots_[static_cast<std::size_t>(slot)];
    const auto word = static_cast<std::size_t>(slot / 64);
    const bool isFree = (free_[word] >> (slot % 64)) & 1U;
    message.delay =
        isFree ? std::int16_t{-1}
               : static_cast<std::int16_t>(
                     kDelay - static_cast<int>(tick_ - sentAt_[static_cast<std::size_t>(slot)]));
    return message;
}

void clearMessages(SimState& s) {
    s.messages.clear();
}

void sendMessage(SimState& s, const Message& msg) {
    s.messages.push(msg);
}

void deliverMessages(SimState& s) {
    for (std::uint16_t slot : s.messages.advance()) {
        const Message& m = s.messages.sent(slot);
        assert(m.receiver >= 0 && static_cast<std::size_t>(m.receiver) < s.agents.size());
        s.agents[static_cast<std::size_t>(m.receiver)].map.set(m.x, m.y, m.value);
    }
}

std::int16_t countMessages(const SimState& s) {
    return static_cast<std::int16_t>(s.messages.count());
}

bool inCommRange(const SimState& s, std::int16_t a, std::int16_t b) {
    if (s.commRadius >= s.arenaDiagonal) {
        return true;
    }
    const Agent& from = s.agents[static_cast<std::size_t>(a)];
    const Agent& to = s.agents[static_cast<std::size_t>(b)];
    const double dx = from.x - to.x;
    const double dy = from.y - to.y;
    return std::sqrt(dx * dx + dy * dy) < s.commRadius;
}

}  // namespace murelta
