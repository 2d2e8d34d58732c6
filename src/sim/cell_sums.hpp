// Summed-area tables of the cells of a grid that hold one value: how many there are, and the
// sums of their columns and of their rows, each over every rectangle that starts at the grid's
// top-left corner. Any square's totals then take four lookups per table, whatever its size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/grid.hpp"

namespace murelta {

class CellSums {
  public:
    CellSums() = default;
    // Tables of the cells of `grid` equal to `value`.
    CellSums(const Grid<std::int16_t>& grid, std::int16_t value) { build(grid, value); }

    // Makes the tables anew for `grid`, reusing their memory when the size is unchanged.
    void build(const Grid<std::int16_t>& grid, std::int16_t value);
    // Sets every total to zero, as for a grid of the same size with no cell counted.
    void clear() { std::fill(entries_.begin(), entries_.end(), Entry{}); }

    // The size of the grid the tables were built for.
    int columns() const { return columns_; }
    int rows() const { return rows_; }

    // The counted cells of the square of `radius` around (x, y) that lie on the grid, and the
    // sums of their offsets x' - x and y' - y from that cell. The cell itself may lie anywhere,
    // also off the grid. Exact while the count times the radius fits 31 bits, which a radius
    // of at most 90 guarantees.
    struct Totals {
        int count = 0;
        int sumDX = 0;
        int sumDY = 0;
    };
    Totals around(int x, int y, int radius) const;

    // What each table entry takes, for the memory accounting of a whole simulation.
    static constexpr std::size_t kBytesPerEntry = 3 * sizeof(std::uint32_t);

  private:
    // Entry (x, y) covers columns 0..x-1 and rows 0..y-1; the tables have one column and one row
    // more than the grid. The sums are kept modulo 2^32: a square's totals are differences of
    // four entries, exact in that arithmetic whenever the totals themselves fit.
    struct Entry {
        std::uint32_t count = 0;
        std::uint32_t sumX = 0;
        std::uint32_t sumY = 0;
    };
    const Entry& entry(int x, int y) const {
        return entries_[static_cast<std::size_t>(x) * static_cast<std::size_t>(rows_ + 1) +
                        static_cast<std::size_t>(y)];
    }

    int columns_ = 0;
    int rows_ = 0;
    std::vector<Entry> entries_;  // column by column, (columns + 1) x (rows + 1)
};

}  // namespace murelta
