#include "sim/message_queue.hpp"

#include <algorithm>
#include <cassert>

namespace murelta {

MessageQueue::MessageQueue() : slots_(kSlots) {
    for (auto& bucket : buckets_) {
        bucket.reserve(1024);
    }
    clear();
}

void MessageQueue::clear() {
    free_.fill(~std::uint64_t{0});
    free_.back() = (std::uint64_t{1} << (kSlots % 64)) - 1;
    cursor_ = 0;
    for (auto& bucket : buckets_) {
        bucket.clear();
    }
    tick_ = 0;
    sending_ = 0;
    inUse_ = 0;
}

void MessageQueue::pushToEach(const Message& message, std::span<const std::int16_t> receivers) {
    auto& bucket = buckets_[sending_];
    std::size_t next = 0;
    while (next < receivers.size()) {
        while (cursor_ < kWords && free_[static_cast<std::size_t>(cursor_)] == 0) {
            ++cursor_;
        }
        if (cursor_ == kWords) {
            return;  // full: the remaining messages are dropped
        }
        // The free bits of one word stay in a register while its slots are handed out.
        std::uint64_t bits = free_[static_cast<std::size_t>(cursor_)];
        const int base = cursor_ * 64;
        while (bits != 0 && next < receivers.size()) {
            const int slot = base + std::countr_zero(bits);
            bits &= bits - 1;
            const std::int16_t receiver = receivers[next++];
            Message& stored = slots_[static_cast<std::size_t>(slot)];
            stored = message;
            stored.receiver = receiver;
            stored.delay = kDelay;
            bucket.push_back(
                {static_cast<std::uint16_t>(slot), message.x, message.y, message.value, receiver});
            ++inUse_;
        }
        free_[static_cast<std::size_t>(cursor_)] = bits;
    }
}

std::span<const MessageQueue::Due> MessageQueue::advance() {
    ++tick_;
    sending_ = tick_ % kBuckets;
    auto& delivered = buckets_[sending_];  // sent six advances ago
    if (!delivered.empty()) {
        cursor_ = std::min(cursor_, delivered.front().slot / 64);
    }
    for (const Due& due : delivered) {
        free_[due.slot / 64U] |= std::uint64_t{1} << (due.slot % 64U);
    }
    inUse_ -= static_cast<int>(delivered.size());
    delivered.clear();
    return buckets_[(tick_ + 1) % kBuckets];  // sent five advances ago
}

std::vector<Message> MessageQueue::delivered() const {
    std::vector<Message> messages;
    for (const Due& due : buckets_[(tick_ + 1) % kBuckets]) {
        Message message = slots_[due.slot];
        message.delay = 0;
        messages.push_back(message);
    }
    return messages;
}

Message MessageQueue::at(int slot) const {
    Message message = slots_[static_cast<std::size_t>(slot)];
    const auto word = static_cast<std::size_t>(slot / 64);
    if ((free_[word] >> (slot % 64)) & 1U) {
        message.delay = -1;
        return message;
    }
    // Only tests and displays ask, so finding the slot's bucket may take a search.
    const auto before = [](const Due& due, int wanted) { return due.slot < wanted; };
    for (std::size_t b = 0; b < kBuckets; ++b) {
        const auto& bucket = buckets_[b];
        const auto found = std::lower_bound(bucket.begin(), bucket.end(), slot, before);
        if (found != bucket.end() && found->slot == slot) {
            const auto age = (sending_ + kBuckets - b) % kBuckets;
            message.delay = static_cast<std::int16_t>(kDelay - static_cast<int>(age));
            break;
        }
    }
    return message;
}

}  // namespace murelta
