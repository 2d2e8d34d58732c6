#include "sim/agent_map.hpp"

#include <algorithm>

namespace murelta {

void AgentMap::set(int x, int y, std::int16_t value) {
    settle();
    const std::size_t index = indexOf(x, y);
    const std::int16_t old = cells().cells()[index];
    write(index, value);
    if (!bestKnown_) {
        return;
    }
    // Only lowering the best cell itself can hand the lead to a cell not looked at here.
    if (bestValue_ > 0 && index == bestIndex_) {
        bestKnown_ = value >= old;
        bestValue_ = value;
    } else if (value > bestValue_ || (value == bestValue_ && value > 0 && index < bestIndex_)) {
        bestValue_ = value;
        bestIndex_ = static_cast<std::uint32_t>(index);
        bestX_ = static_cast<std::int16_t>(x);
        bestY_ = static_cast<std::int16_t>(y);
    }
}

void AgentMap::wipe() {
    pending_.reset();
    waiting_ = false;
    if (!written_.empty()) {
        const auto values = cells_.cells();
        for (std::uint32_t index : written_) {
            values[index] = 0;
        }
        written_.clear();
    }
    bestKnown_ = true;
    bestValue_ = 0;
    bestIndex_ = 0;
}

void AgentMap::findBest() const {
    settle();
    const auto values = cells_.cells();  // made, if any was written
    std::int16_t bestValue = 0;
    std::uint32_t bestIndex = 0;
    for (std::uint32_t index : written_) {
        const std::int16_t value = values[index];
        if (value > bestValue || (value == bestValue && value > 0 && index < bestIndex)) {
            bestValue = value;
            bestIndex = index;
        }
    }
    bestValue_ = bestValue;
    bestIndex_ = bestIndex;
    const auto rows = static_cast<std::uint32_t>(std::max(rows_, 1));
    bestX_ = static_cast<std::int16_t>(bestIndex / rows);
    bestY_ = static_cast<std::int16_t>(bestIndex % rows);
    bestKnown_ = true;
}

bool AgentMap::holdsOneCell(std::uint32_t& index, std::int16_t& value) const {
    if (pending_ || written_.size() + (waiting_ ? 1 : 0) > 1) {
        return false;
    }
    if (waiting_) {
        index = waitingIndex_;
        value = waitingValue_;
        return true;
    }
    index = written_.empty() ? 0 : written_.front();
    value = written_.empty() ? std::int16_t{0} : cells_.cells()[index];
    return true;
}

void AgentMap::receive(std::shared_ptr<const MessageQueue::Sent> sent, std::int16_t receiver) {
    // A cell left by wipeAndSet may go on waiting: it is written before the delivery.
    if (pending_) {
        writePending();
    }
    pending_ = std::move(sent);
    receiver_ = receiver;
    bestKnown_ = false;
}

void AgentMap::receive(std::shared_ptr<const MessageQueue::Sent> sent, std::int16_t receiver,
                       const Best& best) {
    if (pending_) {
        writePending();
    }
    pending_ = std::move(sent);
    receiver_ = receiver;
    bestKnown_ = true;
    bestValue_ = best.value;
    bestIndex_ = best.value > 0 ? static_cast<std::uint32_t>(indexOf(best.x, best.y)) : 0;
    bestX_ = best.x;
    bestY_ = best.y;
}

void AgentMap::writePending() const {
    if (waiting_) {
        waiting_ = false;
        write(waitingIndex_, waitingValue_);
    }
    if (!pending_) {
        return;
    }
    const MessageQueue::Sent& sent = *pending_;
    for (std::size_t r = 0; r < sent.reports.size(); ++r) {
        const auto receivers = sent.receiversOf(r);
        if (std::find(receivers.begin(), receivers.end(), receiver_) != receivers.end()) {
            const MessageQueue::Report& report = sent.reports[r];
            write(indexOf(report.x, report.y), report.value);
        }
    }
    pending_.reset();
}

}  // namespace murelta
