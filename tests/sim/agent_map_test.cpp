// Tests for the agent map's wipe and best-cell search against a full scan.
#include "sim/agent_map.hpp"

#include <gtest/gtest.h>

#include <random>

namespace murelta {
namespace {

// What a full scan in (column, row) order with a strict ">" from 0 chooses.
AgentMap::Best fullScan(const AgentMap& map) {
    AgentMap::Best best;
    for (int c = 0; c < map.columns(); ++c) {
        for (int d = 0; d < map.rows(); ++d) {
            if (map(c, d) > best.value) {
                best = {map(c, d), static_cast<std::int16_t>(c), static_cast<std::int16_t>(d)};
            }
        }
    }
    return best;
}

TEST(AgentMap, BestCellAndWipeMatchAFullScanOnRandomContents) {
    std::mt19937 gen(12345);
    for (int trial = 0; trial < 300; ++trial) {
        const int columns = 1 + static_cast<int>(gen() % 40);
        const int rows = 1 + static_cast<int>(gen() % 40);
        AgentMap map(columns, rows);
        for (int round = 0; round < 4; ++round) {
            // Few distinct values so that ties are common; zeros and negatives overwrite too.
            const int writes = static_cast<int>(gen() % 30);
            for (int w = 0; w < writes; ++w) {
                const int x = static_cast<int>(gen() % static_cast<unsigned>(columns));
                const int y = static_cast<int>(gen() % static_cast<unsigned>(rows));
                map.set(x, y, static_cast<std::int16_t>(static_cast<int>(gen() % 6) - 1));
            }
            const AgentMap::Best expected = fullScan(map);
            const AgentMap::Best actual = map.best();
            ASSERT_EQ(actual.value, expected.value);
            ASSERT_EQ(actual.x, expected.x);
            ASSERT_EQ(actual.y, expected.y);
            if (gen() % 2 == 0) {
                map.wipe();
                for (std::int16_t cell : map.grid().cells()) {
                    ASSERT_EQ(cell, 0);
                }
                ASSERT_EQ(map.best().value, 0);
            }
        }
    }
}

TEST(AgentMap, TieGoesToTheSmallestColumnThenRow) {
    AgentMap map(10, 10);
    map.set(5, 1, 3);
    map.set(2, 8, 3);
    map.set(2, 4, 3);
    const AgentMap::Best best = map.best();
    EXPECT_EQ(best.x, 2);
    EXPECT_EQ(best.y, 4);
}

}  // namespace
}  // namespace murelta
