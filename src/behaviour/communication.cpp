#include "behaviour/communication.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <memory>
#include <span>

#include "sim/state.hpp"

namespace murelta {

void clearMessages(SimState& s) {
    s.messages.clear();
}

void sendMessage(SimState& s, const Message& msg) {
    s.messages.push(msg);
}

namespace {

constexpr std::uint32_t kNoCell = 0xFFFFFFFF;

// A cell and its value as one number that orders as best() does: larger values first, then the
// lower index. Values below 1 are never best and all give 0.
std::uint64_t keyOf(std::int16_t value, std::uint32_t index) {
    return value > 0 ? (std::uint64_t{static_cast<std::uint16_t>(value)} << 32) | (kNoCell - index)
                     : 0;
}

AgentMap::Best bestOf(std::uint64_t key, std::uint32_t rows) {
    AgentMap::Best best;
    if (key != 0) {
        const std::uint32_t index = kNoCell - static_cast<std::uint32_t>(key);
        best.value = static_cast<std::int16_t>(key >> 32);
        best.x = static_cast<std::int16_t>(index / rows);
        best.y = static_cast<std::int16_t>(index % rows);
    }
    return best;
}

// Set in every key given, so that a receiver given only messages that are never best still
// shows it was given something; above every value.
constexpr std::uint64_t kGot = std::uint64_t{1} << 48;

// A message to each receiver.
void giveAll(DeliveryWork& w, std::span<const std::int16_t> receivers, std::uint64_t key) {
    for (const std::int16_t receiver : receivers) {
        assert(receiver >= 0 && static_cast<std::size_t>(receiver) < w.best.size());
        const auto r = static_cast<std::size_t>(receiver);
        w.best[r] = std::max(w.best[r], key);
    }
}

// The same for the receivers not yet given a message of this group, which they are then marked
// with; returns how many were not yet marked.
std::size_t giveFirst(DeliveryWork& w, std::span<const std::int16_t> receivers, std::uint64_t key,
                      std::uint32_t group) {
    std::size_t fresh = 0;
    for (const std::int16_t receiver : receivers) {
        assert(receiver >= 0 && static_cast<std::size_t>(receiver) < w.best.size());
        const auto r = static_cast<std::size_t>(receiver);
        const bool first = w.seen[r] != group;
        w.seen[r] = group;
        const std::uint64_t before = w.best[r];
        w.best[r] = first && key > before ? key : before;
        fresh += first ? 1 : 0;
    }
    return fresh;
}

}  // namespace

void deliverMessages(SimState& s) {
    const MessageQueue::Sent& sent = s.messages.advance();
    const auto& reports = sent.reports;
    if (reports.empty()) {
        return;
    }
    const std::shared_ptr<const MessageQueue::Sent> due = s.messages.deliveredReports();
    const std::size_t n = s.agents.size();
    const auto rows = static_cast<std::uint32_t>(n == 0 ? 0 : s.agents[0].map.rows());
    DeliveryWork& w = s.delivery;

    // A map that held at most one cell before, as every map does after perception, gets its best
    // cell worked out here from the messages it is given; any other is written message by
    // message when read.
    w.best.assign(n, 0);
    w.ownKey.assign(n, 0);
    w.own.resize(n);
    w.fast.resize(n);
    w.ownHit.assign(n, 0);
    for (std::size_t r = 0; r < n; ++r) {
        const AgentMap& map = s.agents[r].map;
        std::uint32_t index = 0;
        std::int16_t value = 0;
        const bool fast =
            static_cast<std::uint32_t>(map.rows()) == rows && map.holdsOneCell(index, value);
        w.fast[r] = fast ? 1 : 0;
        w.own[r] = fast && value != 0 ? index : kNoCell;
        w.ownKey[r] = fast ? keyOf(value, index) : 0;
    }

    // Reports for the same cell: only the last one that lists a receiver counts for it.
    const std::size_t m = reports.size();
    std::size_t capacity = 16;
    while (capacity < 2 * m) {
        capacity *= 2;
    }
    w.cells.assign(capacity, 0);
    w.earlier.resize(m);
    w.later.assign(m, 0);
    const auto cellOf = [rows](const MessageQueue::Report& report) {
        return static_cast<std::uint32_t>(report.x) * rows + static_cast<std::uint32_t>(report.y);
    };
    for (std::size_t i = 0; i < m; ++i) {
        const std::uint32_t cell = cellOf(reports[i]);
        const std::uint64_t tag = std::uint64_t{cell + 1U} << 32;
        std::size_t h = (cell * 0x9E3779B1U) & (capacity - 1);
        while (w.cells[h] != 0 && (w.cells[h] & ~std::uint64_t{0xFFFFFFFF}) != tag) {
            h = (h + 1) & (capacity - 1);
        }
        if (w.cells[h] == 0) {
            w.earlier[i] = -1;
        } else {
            const auto before = static_cast<std::uint32_t>(w.cells[h]);
            w.earlier[i] = static_cast<std::int32_t>(before);
            w.later[before] = 1;
        }
        w.cells[h] = tag | i;
    }

    if (w.seen.size() != n || w.group > 0xFFFF0000U - m) {
        w.seen.assign(n, 0);
        w.group = 0;
    }
    // The maps that hold each cell, as lists through ownNext: a message to a held cell replaces
    // it, and only those need to be looked for.
    std::size_t ownCapacity = 16;
    while (ownCapacity < 2 * n) {
        ownCapacity *= 2;
    }
    w.owns.assign(ownCapacity, 0);
    w.ownNext.resize(n);
    const auto slotOf = [ownCapacity](std::uint32_t cell) {
        return static_cast<std::size_t>(cell * 0x9E3779B1U) & (ownCapacity - 1);
    };
    const auto find = [&](std::uint32_t cell) {
        const std::uint64_t tag = std::uint64_t{cell + 1U} << 32;
        std::size_t h = slotOf(cell);
        while (w.owns[h] != 0 && (w.owns[h] & ~std::uint64_t{0xFFFFFFFF}) != tag) {
            h = (h + 1) & (ownCapacity - 1);
        }
        return h;
    };
    for (std::size_t r = 0; r < n; ++r) {
        if (w.own[r] != kNoCell) {
            const std::size_t h = find(w.own[r]);
            w.ownNext[r] = w.owns[h] == 0 ? -1 : static_cast<std::int32_t>(w.owns[h] & 0xFFFFFFFF);
            w.owns[h] = (std::uint64_t{w.own[r] + 1U} << 32) | r;
        }
    }

    const auto receivable = static_cast<std::size_t>(sent.highest + 1);
    for (std::size_t i = 0; i < m; ++i) {
        if (w.later[i] != 0) {
            continue;  // taken with the last report of its cell
        }
        const std::uint32_t cell = cellOf(reports[i]);
        const std::size_t held = find(cell);
        if (w.earlier[i] < 0 && w.owns[held] == 0) {
            giveAll(w, due->receiversOf(i), keyOf(reports[i].value, cell) | kGot);
            continue;
        }
        // Latest first: a receiver takes the first of these that lists it.
        // Once every agent a report can list is marked, the earlier reports give nothing more:
        // with many agents telling one another about one cell, that comes after a few.
        const std::uint32_t group = ++w.group;
        std::size_t marked = 0;
        for (auto j = static_cast<std::int32_t>(i); j >= 0 && marked < receivable;
             j = w.earlier[static_cast<std::size_t>(j)]) {
            const auto report = static_cast<std::size_t>(j);
            marked += giveFirst(w, due->receiversOf(report),
                                keyOf(reports[report].value, cell) | kGot, group);
        }
        if (w.owns[held] != 0) {
            for (auto r = static_cast<std::int32_t>(w.owns[held] & 0xFFFFFFFF); r >= 0;
                 r = w.ownNext[static_cast<std::size_t>(r)]) {
                const auto holder = static_cast<std::size_t>(r);
                w.ownHit[holder] |= static_cast<std::uint8_t>(w.seen[holder] == group);
            }
        }
    }

    for (std::size_t r = 0; r < n; ++r) {
        if (w.best[r] == 0) {
            continue;  // given nothing
        }
        AgentMap& map = s.agents[r].map;
        const auto receiver = static_cast<std::int16_t>(r);
        if (w.fast[r] != 0) {
            // A message to the one cell replaced what it held.
            const std::uint64_t given = w.best[r] & ~kGot;
            const std::uint64_t key = w.ownHit[r] != 0 ? given : std::max(given, w.ownKey[r]);
            map.receive(due, receiver, bestOf(key, rows));
        } else {
            map.receive(due, receiver);
        }
    }
}

std::int16_t countMessages(const SimState& s) {
    return static_cast<std::int16_t>(s.messages.count());
}

CommRange commRange(const SimState& s) {
    CommRange range;
    range.everywhere = s.commRadius >= s.arenaDiagonal;
    if (range.everywhere) {
        return range;
    }
    // Square roots are correctly rounded and so never decrease: the squared distances whose
    // root lies below the radius are exactly those below the first one whose root does not.
    // Squared distances are whole numbers far below 2^53, exact in double precision.
    const double radius = s.commRadius;
    if (!(radius > 0.0)) {
        return range;  // nobody is nearer than 0, and NaN compares false
    }
    auto limit = static_cast<std::int64_t>(std::ceil(radius * radius));
    while (limit > 0 && std::sqrt(static_cast<double>(limit - 1)) >= radius) {
        --limit;
    }
    while (std::sqrt(static_cast<double>(limit)) < radius) {
        ++limit;
    }
    range.below = limit;
    return range;
}

bool inCommRange(const SimState& s, std::int16_t a, std::int16_t b) {
    return inCommRange(commRange(s), s.agent(a), s.agent(b));
}

}  // namespace murelta
