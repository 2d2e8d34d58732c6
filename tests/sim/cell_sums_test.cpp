// Tests for the target sums: the squares, with the answers they keep, give what the tables of
// the same cells give, around every cell and for every radius.
#include "sim/cell_sums.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace murelta {
namespace {

// The totals of a scan of the window.
CellSums::Totals scan(const Grid<std::int16_t>& grid, int x, int y, int radius) {
    CellSums::Totals totals;
    for (int i = x - radius; i <= x + radius; ++i) {
        for (int j = y - radius; j <= y + radius; ++j) {
            if (grid.contains(i, j) && grid(i, j) == 1) {
                ++totals.count;
                totals.sumDX += i - x;
                totals.sumDY += j - y;
            }
        }
    }
    return totals;
}

// Random disjoint squares on random grids, asked around random cells (some off the grid) with
// radii that change between the questions, each question twice, and asked again after the
// squares move: the squares, with the answers they keep, and the summed-area tables of the same
// cells give what a scan of the window finds.
TEST(CellSums, SquaresAndTablesGiveWhatAScanFindsAsSquaresAndRadiiChange) {
    std::mt19937 rng(20250301);
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    CellSums squares;
    for (int round = 0; round < 30; ++round) {
        // The same size now and then, so that the kept answers of the last round would be
        // found if they were not forgotten.
        const int columns = round % 3 != 0 ? 20 : uniform(1, 40);
        const int rows = round % 3 != 0 ? 17 : uniform(1, 40);
        Grid<std::int16_t> grid(columns, rows);
        std::vector<CellSums::Square> placed;
        for (int k = uniform(0, 4); k > 0; --k) {
            const int size = uniform(0, std::min({6, columns - 1, rows - 1}));
            const CellSums::Square square{uniform(0, columns - 1 - size),
                                          uniform(0, rows - 1 - size), size};
            bool free = true;
            for (int i = square.x; i <= square.x + size; ++i) {
                for (int j = square.y; j <= square.y + size; ++j) {
                    free = free && grid(i, j) == 0;
                }
            }
            if (!free) {
                continue;
            }
            placed.push_back(square);
            for (int i = square.x; i <= square.x + size; ++i) {
                for (int j = square.y; j <= square.y + size; ++j) {
                    grid(i, j) = 1;
                }
            }
        }
        ASSERT_TRUE(squares.useSquares(columns, rows, placed));
        const CellSums tables(grid, 1);
        SCOPED_TRACE("round " + std::to_string(round));
        for (int ask = 0; ask < 400; ++ask) {
            // Rounds start with the radius the last one ended with.
            constexpr int kRadii[4] = {2, 0, 1, 2};
            const int radius = ask % 50 == 25 ? uniform(0, 90) : kRadii[ask / 100];
            const int x = uniform(-3, columns + 2);
            const int y = uniform(-3, rows + 2);
            const CellSums::Totals want = scan(grid, x, y, radius);
            for (int twice = 0; twice < 3; ++twice) {
                const CellSums::Totals got =
                    twice == 2 ? tables.around(x, y, radius) : squares.around(x, y, radius);
                ASSERT_EQ(got.count, want.count) << x << "," << y << " radius " << radius;
                ASSERT_EQ(got.sumDX, want.sumDX) << x << "," << y << " radius " << radius;
                ASSERT_EQ(got.sumDY, want.sumDY) << x << "," << y << " radius " << radius;
            }
        }
    }
    // Cleared, the squares count nothing, also where an answer was kept.
    squares.clear();
    EXPECT_EQ(squares.around(0, 0, 90).count, 0);
    EXPECT_EQ(squares.around(1, 1, 1).count, 0);
}

// Targets on the four corners of grids of several shapes, asked from every cell with radii
// about the grid's size: only a radius that reaches every edge from every cell sees the whole
// grid, and a corner left out changes the totals.
TEST(CellSums, AWideRadiusSeesTheWholeGridOnlyWhenItReachesEveryEdge) {
    for (const auto& [columns, rows] : {std::pair{1, 1}, {5, 3}, {3, 7}, {20, 17}}) {
        Grid<std::int16_t> grid(columns, rows);
        std::vector<CellSums::Square> corners;
        for (const int x : {0, columns - 1}) {
            for (const int y : {0, rows - 1}) {
                if (grid(x, y) == 0) {
                    grid(x, y) = 1;
                    corners.push_back({x, y, 0});
                }
            }
        }
        CellSums squares;
        ASSERT_TRUE(squares.useSquares(columns, rows, corners));
        const CellSums tables(grid, 1);
        const std::array<const CellSums*, 2> both{&squares, &tables};
        const int most = std::max(columns, rows);
        for (int radius = std::max(most - 3, 0); radius <= most; ++radius) {
            for (int x = 0; x < columns; ++x) {
                for (int y = 0; y < rows; ++y) {
                    const CellSums::Totals want = scan(grid, x, y, radius);
                    for (const CellSums* sums : both) {
                        const CellSums::Totals got = sums->around(x, y, radius);
                        ASSERT_EQ(got.count, want.count) << x << "," << y << " radius " << radius;
                        ASSERT_EQ(got.sumDX, want.sumDX) << x << "," << y << " radius " << radius;
                        ASSERT_EQ(got.sumDY, want.sumDY) << x << "," << y << " radius " << radius;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace murelta
