#include "sim/cell_sums.hpp"

#include <algorithm>

namespace murelta {

void CellSums::build(const Grid<std::int16_t>& grid, std::int16_t value) {
    columns_ = grid.columns();
    rows_ = grid.rows();
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
}

CellSums::Totals CellSums::around(int x, int y, int radius) const {
    // The square clipped to the grid, as half-open ranges of columns and rows.
    const int left = std::max(x - radius, 0);
    const int right = std::min(x + radius + 1, columns_);
    const int top = std::max(y - radius, 0);
    const int bottom = std::min(y + radius + 1, rows_);
    if (left >= right || top >= bottom) {
        return {};
    }
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

}  // namespace murelta
