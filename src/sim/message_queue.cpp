#include "sim/message_queue.hpp"

#include <algorithm>
#include <cassert>

namespace murelta {

MessageQueue::MessageQueue() {
    for (auto& bucket : buckets_) {
        bucket = std::make_shared<Sent>();
    }
    clear();
}

MessageQueue::MessageQueue(const MessageQueue& other)
    : freeRuns_(other.freeRuns_),
      free_(other.free_),
      dropped_(other.dropped_),
      tick_(other.tick_),
      sending_(other.sending_) {
    for (std::size_t b = 0; b < kBuckets; ++b) {
        buckets_[b] = std::make_shared<Sent>(*other.buckets_[b]);
    }
}

MessageQueue& MessageQueue::operator=(const MessageQueue& other) {
    if (this != &other) {
        MessageQueue copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void MessageQueue::clear() {
    freeRuns_.assign(1, Run{0, static_cast<std::uint16_t>(kSlots)});
    free_ = kSlots;
    for (std::size_t b = 0; b < kBuckets; ++b) {
        renew(b);
    }
    tick_ = 0;
    sending_ = 0;
}

void MessageQueue::renew(std::size_t bucket) {
    std::shared_ptr<Sent>& sent = buckets_[bucket];
    // A map that has not been wiped since this bucket was delivered still reads it.
    if (sent.use_count() > 1) {
        sent = std::make_shared<Sent>();
        return;
    }
    sent->reports.clear();
    sent->receivers.clear();
    sent->runs.clear();
    sent->runFirsts.clear();
    sent->highest = -1;
}

std::size_t MessageQueue::take(std::span<const std::int16_t> receivers) {
    Sent& sent = *buckets_[sending_];
    std::size_t taken = 0;
    std::size_t used = 0;  // free runs taken whole
    while (taken < receivers.size() && used < freeRuns_.size()) {
        Run& run = freeRuns_[used];
        const std::size_t length = static_cast<std::size_t>(run.end - run.begin);
        const std::size_t part = std::min(length, receivers.size() - taken);
        const auto end = static_cast<std::uint16_t>(run.begin + part);
        // Slots taken right after the bucket's last run continue it.
        if (!sent.runs.empty() && sent.runs.back().end == run.begin) {
            sent.runs.back().end = end;
        } else {
            sent.runs.push_back({run.begin, end});
            sent.runFirsts.push_back(static_cast<std::uint32_t>(gathering_ + taken));
        }
        taken += part;
        if (part == length) {
            ++used;
        } else {
            run.begin = end;
        }
    }
    freeRuns_.erase(freeRuns_.begin(), freeRuns_.begin() + static_cast<std::ptrdiff_t>(used));
    free_ -= static_cast<int>(taken);
    return taken;
}

void MessageQueue::release(Sent& sent) {
    merged_.clear();
    const auto add = [&](const Run& run) {
        if (!merged_.empty() && merged_.back().end == run.begin) {
            merged_.back().end = run.end;
        } else {
            merged_.push_back(run);
        }
    };
    auto a = freeRuns_.begin();
    auto b = sent.runs.begin();
    while (a != freeRuns_.end() || b != sent.runs.end()) {
        if (b == sent.runs.end() || (a != freeRuns_.end() && a->begin < b->begin)) {
            add(*a++);
        } else {
            add(*b++);
        }
    }
    for (const Run& run : sent.runs) {
        free_ += run.end - run.begin;
    }
    freeRuns_.swap(merged_);
}

int MessageQueue::push(const Message& message) {
    const std::int16_t receiver = message.receiver;
    const std::size_t before = buckets_[sending_]->count();
    pushToEach(message, std::span(&receiver, 1));
    if (buckets_[sending_]->count() == before) {
        return -1;
    }
    const Run& last = buckets_[sending_]->runs.back();
    return last.end - 1;
}

void MessageQueue::pushToEach(const Message& message, std::span<const std::int16_t> receivers) {
    const std::span<std::int16_t> room = gatherRoom(receivers.size());
    std::copy(receivers.begin(), receivers.end(), room.begin());
    pushGathered(message, receivers.size(), false);
}

std::span<std::int16_t> MessageQueue::gatherRoom(std::size_t most) {
    Sent& sent = *buckets_[sending_];
    gathering_ = sent.receivers.size();
    sent.receivers.resize(gathering_ + most);
    return std::span(sent.receivers).subspan(gathering_);
}

void MessageQueue::pushGathered(const Message& message, std::size_t count, bool ascending) {
    Sent& sent = *buckets_[sending_];
    const auto first = static_cast<std::uint32_t>(gathering_);
    const std::span<const std::int16_t> receivers = std::span(sent.receivers).subspan(first, count);
    const std::size_t taken = count == 0 ? 0 : take(receivers);
    dropped_ += static_cast<long>(count - taken);
    if (taken > 0) {
        sent.reports.push_back({message.x, message.y, message.value, message.sender, first});
        const auto kept = receivers.first(taken);
        sent.highest = std::max(
            sent.highest, ascending ? kept.back() : *std::max_element(kept.begin(), kept.end()));
    }
    // A full queue drops the receivers past the last free slot.
    sent.receivers.resize(first + taken);
}

const MessageQueue::Sent& MessageQueue::advance() {
    ++tick_;
    sending_ = tick_ % kBuckets;
    // Sent six advances ago; a cycle without messages has nothing to give back.
    if (Sent& old = *buckets_[sending_]; !old.runs.empty()) {
        release(old);
    }
    renew(sending_);
    return *buckets_[(tick_ + 1) % kBuckets];  // sent five advances ago
}

std::vector<Message> MessageQueue::delivered() const {
    const Sent& due = *buckets_[(tick_ + 1) % kBuckets];
    std::vector<Message> messages;
    messages.reserve(due.count());
    for (std::size_t r = 0; r < due.reports.size(); ++r) {
        const Report& report = due.reports[r];
        for (const std::int16_t receiver : due.receiversOf(r)) {
            messages.push_back({report.x, report.y, report.value, report.sender, receiver, 0});
        }
    }
    return messages;
}

Message MessageQueue::at(int slot) const {
    // Only tests and displays ask, so the slot's record is found from its bucket rather than
    // written into the slot by every send: the bucket's run holding the slot gives the receiver,
    // and the report whose receivers include it gives the rest.
    for (std::size_t b = 0; b < kBuckets; ++b) {
        const Sent& sent = *buckets_[b];
        const auto run = std::upper_bound(sent.runs.begin(), sent.runs.end(), slot,
                                          [](int wanted, const Run& r) { return wanted < r.end; });
        if (run == sent.runs.end() || run->begin > slot) {
            continue;
        }
        const std::size_t r = static_cast<std::size_t>(run - sent.runs.begin());
        const std::uint32_t index =
            sent.runFirsts[r] + static_cast<std::uint32_t>(slot - run->begin);
        const auto report = std::upper_bound(sent.reports.begin(), sent.reports.end(), index,
                                             [](std::uint32_t wanted, const Report& rep) {
                                                 return wanted < rep.first;
                                             }) -
                            1;
        const auto age = (sending_ + kBuckets - b) % kBuckets;
        return {report->x,
                report->y,
                report->value,
                report->sender,
                sent.receivers[index],
                static_cast<std::int16_t>(kDelay - static_cast<int>(age))};
    }
    return {0, 0, 0, 0, 0, -1};
}

}  // namespace murelta
