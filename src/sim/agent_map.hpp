// An agent's map of the arena that remembers which cells hold a value, so that wiping it and
// finding its best cell cost what was written since the last wipe, not the arena's area. The
// messages a cycle delivers are kept as the queue's reports and written into the cells only when
// somebody reads them; the best cell, which the agent's turn needs, can be handed over with them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/grid.hpp"
#include "sim/message_queue.hpp"

namespace murelta {

class AgentMap {
  public:
    AgentMap() = default;
    // A map over columns 0..columns-1 and rows 0..rows-1, all zero.
    AgentMap(int columns, int rows) : columns_(columns), rows_(rows) {}

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    bool empty() const { return columns_ == 0 || rows_ == 0; }

    std::int16_t operator()(int x, int y) const {
        settle();
        return cells()(x, y);
    }
    void set(int x, int y, std::int16_t value);

    // Sets every cell to 0.
    void wipe();
    // wipe(), then set(x, y, value), without touching the cells until they are read: perception
    // does it to every map in every cycle, and most maps are never read cell by cell.
    void wipeAndSet(int x, int y, std::int16_t value) {
        if (pending_ || !written_.empty()) {
            wipe();
        }
        bestKnown_ = true;
        if (value == 0) {
            // As set() of 0 on a zero cell: nothing to list.
            waiting_ = false;
            bestValue_ = 0;
            bestIndex_ = 0;
            return;
        }
        // The waiting cell and the best one's column and row are only read while waiting_ or a
        // positive best says they hold, so they are written either way, without a branch.
        const auto index = static_cast<std::uint32_t>(indexOf(x, y));
        const bool positive = value > 0;
        waiting_ = true;
        waitingValue_ = value;
        waitingIndex_ = index;
        bestValue_ = positive ? value : std::int16_t{0};
        bestIndex_ = positive ? index : 0;
        bestX_ = static_cast<std::int16_t>(x);
        bestY_ = static_cast<std::int16_t>(y);
    }

    struct Best {
        std::int16_t value = 0;  // 0 when no cell holds a positive value
        std::int16_t x = 0;
        std::int16_t y = 0;
    };
    // The cell with the largest positive value; among equal values the first in (column, row)
    // order. Exactly what a strict ">" scan over every column, then every row, starting from 0,
    // would choose.
    Best best() const {
        if (!bestKnown_) {
            findBest();
        }
        Best result;
        if (bestValue_ > 0) {
            result.value = bestValue_;
            result.x = bestX_;
            result.y = bestY_;
        }
        return result;
    }

    // The one cell written since the last wipe, when no more than one was and no delivery waits
    // to be written: its index in (column, row) order and value, or value 0 when none was.
    bool holdsOneCell(std::uint32_t& index, std::int16_t& value) const;
    // Messages delivered to `receiver`: those of `sent` that list it, written in order as if set()
    // were called for each. With `best`, the caller has found what best() will then answer.
    void receive(std::shared_ptr<const MessageQueue::Sent> sent, std::int16_t receiver);
    void receive(std::shared_ptr<const MessageQueue::Sent> sent, std::int16_t receiver,
                 const Best& best);

    // All cells, column by column (for tests and comparisons).
    const Grid<std::int16_t>& grid() const {
        settle();
        return cells();
    }

  private:
    // Writes what waits, the cell set by wipeAndSet and then a delivery, into the cells.
    void settle() const {
        if (waiting_ || pending_) {
            writePending();
        }
    }
    void writePending() const;
    std::size_t indexOf(int x, int y) const {
        return static_cast<std::size_t>(x) * static_cast<std::size_t>(rows_) +
               static_cast<std::size_t>(y);
    }
    Grid<std::int16_t>& cells() const {
        if (cells_.empty() && !empty()) {
            cells_ = Grid<std::int16_t>(columns_, rows_);
        }
        return cells_;
    }
    void findBest() const;
    void write(std::size_t index, std::int16_t value) const {
        std::int16_t& cell = cells().cells()[index];
        // A cell is listed when it turns non-zero; one that turns back to zero stays listed,
        // which is harmless, so the list only ever holds cells that were written.
        if (cell == 0 && value != 0) {
            written_.push_back(static_cast<std::uint32_t>(index));
        }
        cell = value;
    }

    // What a turn, perception and delivery read come first, the cells last.
    // The best cell, when known; found again by a scan of the written cells when not.
    mutable bool bestKnown_ = true;
    // The cell wipeAndSet left to write.
    mutable bool waiting_ = false;
    mutable std::int16_t bestValue_ = 0;
    std::int16_t waitingValue_ = 0;
    std::int16_t receiver_ = 0;
    mutable std::uint32_t bestIndex_ = 0;
    // The best cell's column and row, kept beside its index so that a turn need not divide.
    mutable std::int16_t bestX_ = 0;
    mutable std::int16_t bestY_ = 0;
    std::uint32_t waitingIndex_ = 0;
    mutable std::shared_ptr<const MessageQueue::Sent> pending_;
    // The cells as read; delivered messages are written in when they are, hence mutable.
    // Made when first written or read: most maps only ever hold the cell perception sets, which
    // waits, and a group's maps would otherwise take a page of memory each at the start.
    mutable Grid<std::int16_t> cells_;
    int columns_ = 0;
    int rows_ = 0;
    // Every non-zero cell is listed here (possibly more than once); zero cells may be too.
    mutable std::vector<std::uint32_t> written_;
};

}  // namespace murelta
