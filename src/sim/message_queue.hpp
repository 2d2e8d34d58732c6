// The delayed message queue between agents: 15001 slots, each message waits five cycles and is
// then written into its receiver's map. Slots are taken lowest-free-first and visited in slot
// order. A report sent to many receivers is kept once, with its receivers, and its slots are
// handed out as runs of consecutive free slots, so sending, delivering and counting cost per
// report and per run rather than per slot.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
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

// An allocator that leaves new elements of a vector of plain numbers unset, so that making room
// for numbers about to be written costs nothing.
template <typename T>
struct UnsetAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <typename U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

class MessageQueue {
  public:
    static constexpr int kSlots = 15001;
    static constexpr int kDelay = 5;

    // One report as queued: the cell and value one sender sent, in this cycle, to each of its
    // receivers that got a slot.
    struct Report {
        std::int16_t x;
        std::int16_t y;
        std::int16_t value;
        std::int16_t sender;
        std::uint32_t first;  // its receivers are receivers[first, next report's first)
    };
    // Slots [begin, end).
    struct Run {
        std::uint16_t begin;
        std::uint16_t end;
    };
    // The reports of one cycle in sending order, which is also slot order: between two advances
    // no slot is freed, so the lowest free slot only grows.
    struct Sent {
        std::vector<Report> reports;
        std::vector<std::int16_t, UnsetAllocator<std::int16_t>> receivers;
        std::vector<Run> runs;  // the slots taken, in order
        // Where each run's receivers start in `receivers`: slots and receivers go in one order.
        std::vector<std::uint32_t> runFirsts;
        // The highest receiver any report lists, -1 for none: delivery knows from it how many
        // agents can be given anything.
        std::int16_t highest = -1;
        std::size_t count() const { return receivers.size(); }
        std::span<const std::int16_t> receiversOf(std::size_t report) const {
            const std::size_t end =
                report + 1 < reports.size() ? reports[report + 1].first : receivers.size();
            return std::span(receivers).subspan(reports[report].first, end - reports[report].first);
        }
    };

    MessageQueue();
    // Copies hold their own reports; only delivered ones, which nothing changes, are shared.
    MessageQueue(const MessageQueue& other);
    MessageQueue& operator=(const MessageQueue& other);
    MessageQueue(MessageQueue&&) noexcept = default;
    MessageQueue& operator=(MessageQueue&&) noexcept = default;
    ~MessageQueue() = default;

    // Frees every slot.
    void clear();
    // Copies the message (its delay ignored) into the lowest free slot with delay 5 and returns
    // that slot, or -1 when every slot is in use and the message is dropped.
    int push(const Message& message);
    // push() for one message to each receiver in turn, the same slots and order as calling
    // it once per receiver, queued as one report. Receivers beyond the free slots are dropped.
    void pushToEach(const Message& message, std::span<const std::int16_t> receivers);
    // The same without a copy of the receivers: room for up to `most` of them, written straight
    // into the queue's own list; pushGathered() then queues the first `count` written there.
    // Nothing else may be pushed in between.
    // `ascending`: the receivers come in increasing order, so the last is the highest.
    std::span<std::int16_t> gatherRoom(std::size_t most);
    void pushGathered(const Message& message, std::size_t count, bool ascending);
    // One cycle passes: messages delivered in the previous cycle free their slots, every waiting
    // message's delay drops by one, and the messages whose delay reaches 0 are returned in slot
    // order.
    const Sent& advance();
    // The messages advance() returned last, to keep: nothing changes them afterwards.
    std::shared_ptr<const Sent> deliveredReports() const {
        return buckets_[(tick_ + 1) % kBuckets];
    }
    // Whether the next advance() delivers nothing.
    bool deliversNothingNext() const { return buckets_[(tick_ + 2) % kBuckets]->reports.empty(); }
    // Slots in use: waiting or delivered in the current cycle.
    int count() const { return kSlots - free_; }
    // Messages dropped because every slot was in use, since the queue was made.
    long dropped() const { return dropped_; }

    // The record in a slot, with its current delay; a free slot holds nothing: delay -1 and every
    // other field 0.
    Message at(int slot) const;
    // The messages delivered in the current cycle (delay 0), in slot order; for displays, which
    // read them without changing anything.
    std::vector<Message> delivered() const;

    // What one queue may take, for the memory accounting of a whole simulation: about ten bytes a
    // message (its receiver and its share of a report) in each bucket, twice over for the capacity
    // a bucket keeps; all buckets together never hold more than every slot.
    static constexpr double kBytes = kSlots * ((kDelay + 1.0) * 2.0 * 10.0);

  private:
    // A message sent after advance number t is delivered by advance t + 5 and freed by t + 6, so
    // six buckets, indexed by t modulo 6, hold everything in use.
    static constexpr int kBuckets = kDelay + 1;

    // Takes the lowest free slots for the first receivers, as many as there are, for the bucket
    // being filled; returns how many.
    std::size_t take(std::span<const std::int16_t> receivers);
    // Where the report being gathered starts in the bucket's list of receivers.
    std::size_t gathering_ = 0;
    // Gives a bucket's slots back to the free runs.
    void release(Sent& sent);
    // An empty bucket to fill: the old one unless a map still holds it.
    void renew(std::size_t bucket);

    std::vector<Run> freeRuns_;  // free slots as sorted, disjoint, non-touching runs
    int free_ = kSlots;
    long dropped_ = 0;
    std::array<std::shared_ptr<Sent>, kBuckets> buckets_;
    std::uint32_t tick_ = 0;
    std::size_t sending_ = 0;  // tick_ modulo kBuckets: the bucket pushes go to
    std::vector<Run> merged_;  // scratch for release()
};

}  // namespace murelta
