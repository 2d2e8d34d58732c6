#include "world/retina.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

// Copies n cells, four to a machine word, and tells whether any of them was non-zero.
bool copyCells(const std::int16_t* from, std::int16_t* to, int n) {
    std::uint64_t any = 0;
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        std::uint64_t word = 0;
        std::memcpy(&word, from + k, sizeof word);
        std::memcpy(to + k, &word, sizeof word);
        any |= word;
    }
    for (; k < n; ++k) {
        to[k] = from[k];
        any |= static_cast<std::uint16_t>(from[k]);
    }
    return any != 0;
}

}  // namespace

void clearAgentMap(SimState& s, std::int16_t a) {
    s.agent(a).map.wipe();
}

void updateRetina(SimState& s) {
    const int n = s.groupSize;
    for (int a = 0; a < n; ++a) {
        clearAgentMap(s, static_cast<std::int16_t>(a));
    }
    s.viewSums.resize(static_cast<std::size_t>(std::max(n, 0)));
    const int columns = s.arena.columns();
    const int rows = s.arena.rows();
    for (int a = 0; a < n; ++a) {
        Agent& agent = s.agent(a);
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
        const int above = firstRow - (agent.y - r);
        const int inside = std::max(0, lastRow - firstRow + 1);
        ViewSums sums;
        for (int i = 0; i < side; ++i) {
            const int cx = agent.x + i - r;
            std::int16_t* view = agent.view.column(i).data();
            if (cx < 0 || cx >= columns || inside == 0) {
                std::fill(view, view + side, kEmptyCell);
                continue;
            }
            const std::int16_t* arena = s.arena.column(cx).data() + firstRow;
            std::fill(view, view + above, kEmptyCell);
            std::fill(view + above + inside, view + side, kEmptyCell);
            // Most columns hold no target at all, and the copy finds that out on the way.
            if (!copyCells(arena, view + above, inside)) {
                continue;
            }
            int hits = 0;
            int rowSum = 0;
            for (int k = 0; k < inside; ++k) {
                const int hit = arena[k] == kTargetCell ? 1 : 0;
                hits += hit;
                rowSum += hit * k;
            }
            sums.seen += hits;
            sums.sumDX += hits * (i - r);
            sums.sumDY += rowSum + hits * (above - r);
        }
        s.viewSums[static_cast<std::size_t>(a)] = sums;
        agent.map.set(agent.x, agent.y, static_cast<std::int16_t>(sums.seen));
    }
}

}  // namespace murelta
