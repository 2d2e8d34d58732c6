// Summed-area tables of the cells of a grid that hold one value: how many there are, and the
// sums of their columns and of their rows, each over every rectangle that starts at the grid's
// top-left corner. Any square's totals then take four lookups per table, whatever its size.
// When the counted cells are a few squares apart from each other, the squares themselves stand
// in for the tables: nothing is built, and a square's totals are worked out from them.
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
    void clear() {
        squares_.clear();
        useSquares_ = true;
        counted();
    }

    // Columns x..x+size and rows y..y+size, all on the grid.
    struct Square {
        int x = 0;
        int y = 0;
        int size = 0;
    };
    static constexpr std::size_t kMostSquares = 4;
    // Counts the cells of the squares on a grid of columns x rows, when they are no more than
    // kMostSquares and no two share a cell; returns false, changing nothing, otherwise.
    bool useSquares(int columns, int rows, const std::vector<Square>& squares);

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
    Totals around(int x, int y, int radius) const {
        return whole_.covers(x, y, radius) ? whole_.around(x, y) : part(x, y, radius);
    }
    // Whether the square of `radius` around (x, y), a cell of the grid, holds the whole grid.
    bool coversAll(int x, int y, int radius) const { return whole_.covers(x, y, radius); }
    // around() of such a square, for any radius that coversAll.
    Totals aroundAll(int x, int y) const { return whole_.around(x, y); }
    // What each table entry takes, for the memory accounting of a whole simulation.
    static constexpr std::size_t kBytesPerEntry = 3 * sizeof(std::uint32_t);

  private:
    // The size of the grid counted, and the least radius that covers it.
    void setSize(int columns, int rows);

    // The grid's totals, and which squares they are the totals of: those that reach every edge
    // from a cell of the grid, as a wide retina's do.
    struct Whole {
        int columns = 0;
        int rows = 0;
        int radius = -1;  // the least radius that reaches every edge from any cell
        std::int64_t count = 0;
        std::int64_t sumX = 0;  // of the offsets from column 0 and row 0
        std::int64_t sumY = 0;
        bool covers(int x, int y, int r) const {
            return r >= radius && static_cast<unsigned>(x) < static_cast<unsigned>(columns) &&
                   static_cast<unsigned>(y) < static_cast<unsigned>(rows);
        }
        // Exact: the totals fit, as for any square.
        Totals around(int x, int y) const {
            return {static_cast<int>(count), static_cast<int>(sumX - count * x),
                    static_cast<int>(sumY - count * y)};
        }
    };

    // around() of a square that does not cover the grid.
    Totals part(int x, int y, int radius) const {
        const bool onGrid = static_cast<unsigned>(x) < static_cast<unsigned>(columns_) &&
                            static_cast<unsigned>(y) < static_cast<unsigned>(rows_);
        // Working a square out takes some dozens of instructions; agents come back to the cells
        // they were on, so while the squares count each cell's answer is kept for the radius
        // last asked for, until the counted cells change.
        if (radius == memoRadius_ && onGrid) {
            const Memo& memo = memo_[static_cast<std::size_t>(x) * static_cast<std::size_t>(rows_) +
                                     static_cast<std::size_t>(y)];
            if (memo.stamp == stamp_) {
                return {memo.count, memo.sumDX, memo.sumDY};
            }
        }
        return workOut(x, y, radius);
    }

    // around() without the answers kept.
    Totals workOut(int x, int y, int radius) const;
    Totals fromTables(int x, int y, int left, int right, int top, int bottom) const;
    Totals fromSquares(int x, int y, int left, int right, int top, int bottom) const;
    Totals fromWhole(int x, int y) const { return whole_.around(x, y); }
    // Sums up the whole grid, and forgets every kept answer: the counted cells have changed.
    void counted();
    // Forgets every kept answer.
    void forget() const {
        if (++stamp_ == 0) {
            std::fill(memo_.begin(), memo_.end(), Memo{});
            stamp_ = 1;
        }
    }

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
    bool useSquares_ = false;     // the squares below count, not the tables
    std::vector<Square> squares_;
    Whole whole_;
    // While the squares count, per cell (column by column) the totals around it for the radius
    // memoRadius_ (-1 while none is kept), valid where the stamp is stamp_. No larger than the
    // tables it stands in for, so the memory a simulation is allowed for them covers it. A count
    // fits 16 bits for every radius up to 90.
    struct Memo {
        std::uint16_t stamp = 0;
        std::int16_t count = 0;
        int sumDX = 0;
        int sumDY = 0;
    };
    // Larger grids work every answer out: the memory would pay for little.
    static constexpr std::size_t kMostKeptCells = std::size_t{1} << 20;
    // The count of a square of this radius still fits the 16 bits it is kept in.
    static constexpr int kMostKeptRadius = 90;
    bool keepAnswers_ = false;  // the squares count and the grid is small enough
    mutable std::vector<Memo> memo_;
    mutable int memoRadius_ = -1;
    mutable std::uint16_t stamp_ = 1;
};

inline CellSums::Totals CellSums::fromSquares(int x, int y, int left, int right, int top,
                                              int bottom) const {
    // The squares share no cell, so the totals are the sums of each one's part of the window.
    // Every bound is a column or row of the grid, so the arithmetic stays unsigned and exact.
    std::uint64_t count = 0;
    std::uint64_t sumX = 0;
    std::uint64_t sumY = 0;
    for (const Square& square : squares_) {
        const auto l = static_cast<std::uint64_t>(std::max(left, square.x));
        const auto r = static_cast<std::uint64_t>(std::min(right, square.x + square.size + 1));
        const auto t = static_cast<std::uint64_t>(std::max(top, square.y));
        const auto b = static_cast<std::uint64_t>(std::min(bottom, square.y + square.size + 1));
        if (l < r && t < b) {
            const std::uint64_t width = r - l;
            const std::uint64_t height = b - t;
            count += width * height;
            // Columns l..r-1 once per row, rows t..b-1 once per column.
            sumX += height * ((l + r - 1) * width / 2);
            sumY += width * ((t + b - 1) * height / 2);
        }
    }
    // Offsets from (x, y) modulo 2^64; the true values fit, so the conversion gives them back.
    Totals totals;
    totals.count = static_cast<int>(count);
    totals.sumDX = static_cast<int>(static_cast<std::int64_t>(
        sumX - count * static_cast<std::uint64_t>(static_cast<std::int64_t>(x))));
    totals.sumDY = static_cast<int>(static_cast<std::int64_t>(
        sumY - count * static_cast<std::uint64_t>(static_cast<std::int64_t>(y))));
    return totals;
}

}  // namespace murelta
