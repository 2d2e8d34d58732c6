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
    void set(int x, int y, std::int16_t value);

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
