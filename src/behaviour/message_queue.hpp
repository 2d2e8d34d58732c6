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

struct SimState;

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

    MessageQueue();

    // Frees every slot.
    void clear();
    // Copies the message (its delay ignored) into the lowest free slot with delay 5 and returns
    // that slot, or -1 when every slot is in use and the message is dropped. Inline: the agent
    // step calls it once per message.
    int push(const Message& message) {
        const int slot = firstFree();
        if (slot < 0) {
            return -1;
        }
        take(slot);
        Message& stored = slots_[static_cast<std::size_t>(slot)];
        stored = message;
        stored.delay = kDelay;
        sentAt_[static_cast<std::size_t>(slot)] = tick_;
        // Between two advances no slot is freed, so the lowest free slot only grows and every
        // bucket stays in slot order.
        buckets_[tick_ % kBuckets].push_back(static_cast<std::uint16_t>(slot));
        ++inUse_;
        return slot;
    }
    // One cycle passes: messages delivered in the previous cycle free their slots, every waiting
    // message's delay drops by one, and the slots whose delay reaches 0 are returned in slot
    // order (valid until the next call).
    std::span<const std::uint16_t> advance();
    // Slots in use: waiting or delivered in the current cycle.
    int count() const { return inUse_; }

    // The record in a slot, with its current delay (-1 for a free slot).
    Message at(int slot) const;
    // The record in a slot as it was sent; its delay field is not kept up to date. Delivery
    // reads the slots advance() returns through it, without the copy at() makes.
    const Message& sent(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

  private:
    void take(int slot) {
        const auto word = static_cast<std::size_t>(slot / 64);
        free_[word] &= ~(std::uint64_t{1} << (slot % 64));
        if (free_[word] == 0) {
            freeWords_[word / 64] &= ~(std::uint64_t{1} << (word % 64));
        }
    }
    void release(int slot);
    int firstFree() const {
        for (std::size_t s = 0; s < freeWords_.size(); ++s) {
            if (freeWords_[s] != 0) {
                const auto word =
                    s * 64 + static_cast<std::size_t>(std::countr_zero(freeWords_[s]));
                return static_cast<int>(word * 64 +
                                        static_cast<std::size_t>(std::countr_zero(free_[word])));
            }
        }
        return -1;
    }

    static constexpr int kWords = (kSlots + 63) / 64;
    static constexpr int kSummaryWords = (kWords + 63) / 64;
    // A message sent after advance number t is delivered by advance t + 5 and freed by t + 6, so
    // six buckets of slot numbers, indexed by t modulo 6, hold everything in use.
    static constexpr int kBuckets = kDelay + 1;

    std::vector<Message> slots_;
    std::vector<std::uint32_t> sentAt_;         // advance count when each used slot was filled
    std::array<std::uint64_t, kWords> free_{};  // bit set: slot is free
    std::array<std::uint64_t, kSummaryWords> freeWords_{};  // bit set: word has a free slot
    std::array<std::vector<std::uint16_t>, kBuckets> buckets_;
    std::uint32_t tick_ = 0;
    int inUse_ = 0;
};

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

}  // namespace murelta
