#include "world/retina.hpp"

#include <algorithm>
#include <string>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

void clearAgentMap(SimState& s, std::int16_t a) {
    s.agents[static_cast<std::size_t>(a)].map.wipe();
}

void updateRetina(SimState& s) {
    const int n = s.groupSize;
    for (int a = 0; a < n; ++a) {
        clearAgentMap(s, static_cast<std::int16_t>(a));
    }
    const int columns = s.arena.columns();
    const int rows = s.arena.rows();
    for (int a = 0; a < n; ++a) {
        Agent& agent = s.agents[static_cast<std::size_t>(a)];
        const int r = static_cast<int>(agent.retina);
        const int side = 2 * r + 1;
        if (agent.view.columns() != side || agent.view.rows() != side) {
            throw Error("Agent " + std::to_string(a) + " has a retina of " +
                        formatNumber(agent.retina) + " but a view of " +
                        std::to_string(agent.view.columns()) + " cells across.");
        }
        // The rows of the window that lie on the arena are the same for every column.
        const int firstRow = std::max(0, agent.y - r);
        const int lastRow = std::min(rows - 1, agent.y + r);
        int count = 0;
        for (int i = 0; i < side; ++i) {
            const int cx = agent.x + i - r;
            auto viewColumn = agent.view.column(i);
            if (cx < 0 || cx >= columns || firstRow > lastRow) {
                std::fill(viewColumn.begin(), viewColumn.end(), kEmptyCell);
                continue;
            }
            const auto arenaColumn = s.arena.column(cx);
            const int above = firstRow - (agent.y - r);
            std::fill(viewColumn.begin(), viewColumn.begin() + above, kEmptyCell);
            for (int cy = firstRow; cy <= lastRow; ++cy) {
                const std::int16_t cell = arenaColumn[static_cast<std::size_t>(cy)];
                viewColumn[static_cast<std::size_t>(above + cy - firstRow)] = cell;
                count += cell == kTargetCell ? 1 : 0;
            }
            std::fill(viewColumn.begin() + above + (lastRow - firstRow + 1), viewColumn.end(),
                      kEmptyCell);
        }
        agent.map.set(agent.x, agent.y, static_cast<std::int16_t>(count));
    }
}

}  // namespace murelta
