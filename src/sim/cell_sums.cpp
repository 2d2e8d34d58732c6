#include "sim/cell_sums.hpp"

#include <algorithm>

namespace murelta {

void CellSums::setSize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    whole_.columns = columns;
    whole_.rows = rows;
    whole_.radius = std::max(columns, rows) - 1;
}

void CellSums::build(const Grid<std::int16_t>& grid, std::int16_t value) {
    useSquares_ = false;
    squares_.clear();
    setSize(grid.columns(), grid.rows());
    const auto height = static_cast<std::size_t>(rows_) + 1;
    // Every entry is written below; column 0 and row 0 cover nothing.
    entries_.resize((static_cast<std::size_t>(columns_) + 1) * height);
    std::fill(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(height), Entry{});
    for (int x = 0; x < columns_; ++x) {
        const auto cells = grid.column(x);
        const Entry* left = entries_.data() + static_cast<std::size_t>(x) * height;
        Entry* out = entries_.data() + static_cast<std::size_t>(x + 1) * height;
        // Most columns of an arena hold nothing at all: their entries are those of the column
        // before. Finding that out takes a few vector instructions.
        std::int16_t any = 0;
        for (const std::int16_t cell : cells) {
            any = static_cast<std::int16_t>(any | cell);
        }
        if (any == 0 && value != 0) {
            std::copy(left, left + height, out);
            continue;
        }
        // The totals of column x down to row y, added to those of the columns before it.
        out[0] = Entry{};
        Entry down;
        for (int y = 0; y < rows_; ++y) {
            if (cells[static_cast<std::size_t>(y)] == value) {
                down.count += 1;
                down.sumX += static_cast<std::uint32_t>(x);
                down.sumY += static_cast<std::uint32_t>(y);
            }
            const Entry& before = left[y + 1];
            out[y + 1] = {before.count + down.count, before.sumX + down.sumX,
                          before.sumY + down.sumY};
        }
    }
    counted();
}

void CellSums::counted() {
    whole_.count = 0;
    whole_.sumX = 0;
    whole_.sumY = 0;
    if (!useSquares_) {
        memoRadius_ = -1;
        const Entry& all = entry(columns_, rows_);
        whole_.count = all.count;
        whole_.sumX = all.sumX;
        whole_.sumY = all.sumY;
        return;
    }
    for (const Square& square : squares_) {
        const std::int64_t side = square.size + 1;
        whole_.count += side * side;
        // Columns x..x+size once per row, and rows likewise.
        whole_.sumX += side * (side * square.x + side * (side - 1) / 2);
        whole_.sumY += side * (side * square.y + side * (side - 1) / 2);
    }
    // Made for a grid's size when first written, which a retina that covers the grid never
    // does; a new run only moves the stamp on.
    const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    keepAnswers_ = cells <= kMostKeptCells;
    if (!keepAnswers_ || memo_.size() != cells) {
        memo_.clear();
        memoRadius_ = -1;
    } else {
        forget();
    }
}

CellSums::Totals CellSums::workOut(int x, int y, int radius) const {
    // The square clipped to the grid, as half-open ranges of columns and rows.
    const int left = std::max(x - radius, 0);
    const int right = std::min(x + radius + 1, columns_);
    const int top = std::max(y - radius, 0);
    const int bottom = std::min(y + radius + 1, rows_);
    if (left >= right || top >= bottom) {
        return {};
    }
    const bool whole = left == 0 && top == 0 && right == columns_ && bottom == rows_;
    if (!useSquares_) {
        // A view over the whole grid, as every wide retina has, takes the grid's totals.
        return whole ? fromWhole(x, y) : fromTables(x, y, left, right, top, bottom);
    }
    const Totals totals = whole ? fromWhole(x, y) : fromSquares(x, y, left, right, top, bottom);
    const bool onGrid = static_cast<unsigned>(x) < static_cast<unsigned>(columns_) &&
                        static_cast<unsigned>(y) < static_cast<unsigned>(rows_);
    if (keepAnswers_ && onGrid && radius <= kMostKeptRadius) {
        if (memo_.empty()) {
            memo_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_),
                         Memo{});
            stamp_ = 1;
        }
        if (radius != memoRadius_) {
            forget();
            memoRadius_ = radius;
        }
        memo_[static_cast<std::size_t>(x) * static_cast<std::size_t>(rows_) +
              static_cast<std::size_t>(y)] = {stamp_, static_cast<std::int16_t>(totals.count),
                                              totals.sumDX, totals.sumDY};
    }
    return totals;
}

CellSums::Totals CellSums::fromTables(int x, int y, int left, int right, int top,
                                      int bottom) const {
    const Entry& a = entry(right, bottom);
    const Entry& b = entry(left, bottom);
    const Entry& c = entry(right, top);
    const Entry& d = entry(left, top);
    const std::uint32_t count = a.count - b.count - c.count + d.count;
    const std::uint32_t sumX = a.sumX - b.sumX - c.sumX + d.sumX;
    const std::uint32_t sumY = a.sumY - b.sumY - c.sumY + d.sumY;
    // Offsets from (x, y), still modulo 2^32; the true values fit, so the conversion to int
    // gives them back, negative ones included.
    Totals totals;
    totals.count = static_cast<int>(count);
    totals.sumDX = static_cast<int>(sumX - count * static_cast<std::uint32_t>(x));
    totals.sumDY = static_cast<int>(sumY - count * static_cast<std::uint32_t>(y));
    return totals;
}

bool CellSums::useSquares(int columns, int rows, const std::vector<Square>& squares) {
    if (squares.size() > kMostSquares) {
        return false;
    }
    for (std::size_t i = 0; i < squares.size(); ++i) {
        const Square& a = squares[i];
        if (a.x < 0 || a.y < 0 || a.size < 0 || a.x + a.size >= columns || a.y + a.size >= rows) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const Square& b = squares[j];
            if (a.x <= b.x + b.size && b.x <= a.x + a.size && a.y <= b.y + b.size &&
                b.y <= a.y + a.size) {
                return false;
            }
        }
    }
    setSize(columns, rows);
    squares_ = squares;
    useSquares_ = true;
    counted();
    return true;
}

}  // namespace murelta
