// The delayed message queue between agents: 15001 slots, each message waits five cycles and is
// then written into its receiver's map. Slots are taken lowest-free-first and visited in slot
// order, but finding a free slot, delivering and counting never walk all 15001 slots.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <vector>

namespace murelta {

struct Message {
    std::int16_t x = 0;  // reported cell
    std::int16_t y = 0;
    std::int16_t value = 0;
    std::int16_t sender = 0;
    std::int16_t receiver = 0;
    std::int16_t delay = -1;  // -1 free, 5..1 waiting, 0 delivered in the current cycle
};

class MessageQueue {
  public:
    static constexpr int kSlots = 15001;
    static constexpr int kDelay = 5;

    // What delivery needs of a message that falls due, kept in sending order so that delivery
    // reads one contiguous list instead of records spread over the slots.
    struct Due {
        std::uint16_t slot;
        std::int16_t x;
        std::int16_t y;
        std::int16_t value;
        std::int16_t receiver;
    };

    MessageQueue();

    // Frees every slot.
    void clear();
    // Copies the message (its delay ignored) into the lowest free slot with delay 5 and returns
    // that slot, or -1 when every slot is in use and the message is dropped. Inline: the agent
    // step calls it once per message.
    int push(const Message& message) {
        while (cursor_ < kWords && free_[static_cast<std::size_t>(cursor_)] == 0) {
            ++cursor_;
        }
        if (cursor_ == kWords) {
            return -1;
        }
        std::uint64_t& bits = free_[static_cast<std::size_t>(cursor_)];
        const int slot = cursor_ * 64 + std::countr_zero(bits);
        bits &= bits - 1;
        Message& stored = slots_[static_cast<std::size_t>(slot)];
        stored = message;
        stored.delay = kDelay;
        // Between two advances no slot is freed, so the lowest free slot only grows and every
        // bucket stays in slot order.
        buckets_[sending_].push_back({static_cast<std::uint16_t>(slot), message.x, message.y,
                                      message.value, message.receiver});
        ++inUse_;
        return slot;
    }
    // push() for one message to each receiver in turn, the same slots and order as calling
    // it once per receiver, without finding the first free slot afresh each time.
    void pushToEach(const Message& message, std::span<const std::int16_t> receivers);
    // One cycle passes: messages delivered in the previous cycle free their slots, every waiting
    // message's delay drops by one, and the messages whose delay reaches 0 are returned in slot
    // order (valid until the next call).
    std::span<const Due> advance();
    // Slots in use: waiting or delivered in the current cycle.
    int count() const { return inUse_; }

    // The record in a slot, with its current delay (-1 for a free slot).
    Message at(int slot) const;
    // The messages delivered in the current cycle (delay 0), in slot order; for displays, which
    // read them without changing anything.
    std::vector<Message> delivered() const;

  private:
    static constexpr int kWords = (kSlots + 63) / 64;
    // A message sent after advance number t is delivered by advance t + 5 and freed by t + 6, so
    // six buckets, indexed by t modulo 6, hold everything in use.
    static constexpr int kBuckets = kDelay + 1;

    std::vector<Message> slots_;                // also keeps what a freed slot last held
    std::array<std::uint64_t, kWords> free_{};  // bit set: slot is free
    // Every word below it is full. It only moves forward between advances and back to the
    // lowest freed word in one, so finding the first free slot costs no scan from slot 0.
    int cursor_ = 0;
    std::array<std::vector<Due>, kBuckets> buckets_;
    std::uint32_t tick_ = 0;
    std::size_t sending_ = 0;  // tick_ modulo kBuckets: the bucket pushes go to
    int inUse_ = 0;
};

}  // namespace murelta
