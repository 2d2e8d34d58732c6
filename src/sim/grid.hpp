// A dense two-dimensional array addressed grid(x, y), column first, stored column by column.
#pragma once

#include <cassert>
#include <cstddef>
#include <span>
#include <vector>

namespace murelta {

template <typename T>
class Grid {
  public:
    Grid() = default;

    // A grid of `columns` x `rows` cells, all zero: x runs 0..columns-1, y runs 0..rows-1.
    Grid(int columns, int rows)
        : columns_(columns),
          rows_(rows),
          cells_(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), T{}) {
        assert(columns >= 0 && rows >= 0);
    }

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    bool empty() const { return cells_.empty(); }
    bool contains(int x, int y) const { return x >= 0 && x < columns_ && y >= 0 && y < rows_; }

    // Cells are stored column by column, so index order is (column, row) order.
    std::size_t indexOf(int x, int y) const {
        assert(contains(x, y));
        return static_cast<std::size_t>(x) * static_cast<std::size_t>(rows_) +
               static_cast<std::size_t>(y);
    }

    T& operator()(int x, int y) { return cells_[indexOf(x, y)]; }
    const T& operator()(int x, int y) const { return cells_[indexOf(x, y)]; }

    std::span<T> cells() { return cells_; }
    std::span<const T> cells() const { return cells_; }

    // The rows of column x, contiguous in memory.
    std::span<T> column(int x) {
        return std::span<T>(cells_).subspan(indexOf(x, 0), static_cast<std::size_t>(rows_));
    }
    std::span<const T> column(int x) const {
        return std::span<const T>(cells_).subspan(indexOf(x, 0), static_cast<std::size_t>(rows_));
    }

    friend bool operator==(const Grid&, const Grid&) = default;

  private:
    int columns_ = 0;
    int rows_ = 0;
    std::vector<T> cells_;
};

}  // namespace murelta
