// An agent's map of the arena that remembers which cells hold a value, so that wiping it and
// finding its best cell cost what was written since the last wipe, not the arena's area.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/grid.hpp"

namespace murelta {

class AgentMap {
  public:
    AgentMap() = default;
    // A map over columns 0..columns-1 and rows 0..rows-1, all zero.
    AgentMap(int columns, int rows) : cells_(columns, rows) {}

    int columns() const { return cells_.columns(); }
    int rows() const { return cells_.rows(); }
    bool empty() const { return cells_.empty(); }

    std::int16_t operator()(int x, int y) const { return cells_(x, y); }
    // Inline: delivery calls it once per message.
    void set(int x, int y, std::int16_t value) {
        std::int16_t& cell = cells_(x, y);
        // A cell is listed when it turns non-zero; one that turns back to zero stays listed,
        // which is harmless, so the list only ever holds cells that were written.
        if (cell == 0 && value != 0) {
            written_.push_back(static_cast<std::uint32_t>(cells_.indexOf(x, y)));
        }
        cell = value;
    }

    // Sets every cell to 0.
    void wipe();

    struct Best {
        std::int16_t value = 0;  // 0 when no cell holds a positive value
        std::int16_t x = 0;
        std::int16_t y = 0;
    };
    // The cell with the largest positive value; among equal values the first in (column, row)
    // order. Exactly what a strict ">" scan over every column, then every row, starting from 0,
    // would choose.
    Best best() const;

    // All cells, column by column (for tests and comparisons).
    const Grid<std::int16_t>& grid() const { return cells_; }

  private:
    Grid<std::int16_t> cells_;
    // Every non-zero cell is listed here (possibly more than once); zero cells may be too.
    std::vector<std::uint32_t> written_;
};

}  // namespace murelta
