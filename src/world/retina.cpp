#include "world/retina.hpp"

#include <algorithm>
#include <string>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

// Perception takes a retina's whole part r and a window 2 r + 1 cells across. A retina more than
// a quarter of a cell above r asks for a window as wide as its double rounded (halves to even),
// plus one: another width, which perception refuses.
void requireWindow(const Agent& agent, int a) {
    const int r = static_cast<int>(agent.retina);
    if (agent.retina == r) {
        return;
    }
    const double across = roundHalfEven(2.0 * agent.retina) + 1.0;
    if (across != 2.0 * r + 1.0) {
        throw Error("Agent " + std::to_string(a) + " has a retina of " +
                    formatNumber(agent.retina) + " but a view of " + formatNumber(across) +
                    " cells across.");
    }
}

}  // namespace

void clearAgentMap(SimState& s, std::int16_t a) {
    s.agent(a).map.wipe();
}

namespace {

// What an agent sees from where it stands; inline, since perception asks it of every agent in
// every cycle.
inline ViewSums sumsSeen(const CellSums& targets, const Agent& agent) {
    const CellSums::Totals seen = targets.around(agent.x, agent.y, static_cast<int>(agent.retina));
    ViewSums sums;
    sums.seen = seen.count;
    sums.sumDX = seen.sumDX;
    sums.sumDY = seen.sumDY;
    sums.x = agent.x;
    sums.y = agent.y;
    return sums;
}

}  // namespace

ViewSums lookAround(const SimState& s, const Agent& agent) {
    return sumsSeen(s.targetSums, agent);
}

void updateRetina(SimState& s) {
    const int n = s.groupSize;
    if (s.targetSums.columns() != s.arena.columns() || s.targetSums.rows() != s.arena.rows()) {
        throw Error("The target sums were made for another arena than the one in use.");
    }
    s.viewSums.resize(static_cast<std::size_t>(std::max(n, 0)));
    // Each map is wiped and then given the agent's count at its own cell; no agent's view
    // depends on a map, so both can be done agent by agent.
    // Held in locals: the maps' flags are bytes, which could alias the vectors' pointers.
    Agent* const agents = s.agents.data();
    ViewSums* const views = s.viewSums.data();
    for (int a = 0; a < n; ++a) {
        Agent& agent = agents[a];
        try {
            requireWindow(agent, a);
        } catch (const Error&) {
            for (int b = a; b < n; ++b) {
                clearAgentMap(s, static_cast<std::int16_t>(b));
            }
            throw;
        }
        const ViewSums sums = sumsSeen(s.targetSums, agent);
        views[a] = sums;
        agent.map.wipeAndSet(agent.x, agent.y, static_cast<std::int16_t>(sums.seen));
    }
}

Grid<std::int16_t> agentView(const SimState& s, int a) {
    const Agent& agent = s.agent(a);
    const int r = static_cast<int>(agent.retina);
    int x = agent.x;
    int y = agent.y;
    if (static_cast<std::size_t>(a) < s.viewSums.size()) {
        x = s.viewSums[static_cast<std::size_t>(a)].x;
        y = s.viewSums[static_cast<std::size_t>(a)].y;
    }
    Grid<std::int16_t> view(2 * r + 1, 2 * r + 1);
    // The part of the window on the arena; the rest stays empty.
    const int firstColumn = std::max(x - r, 0);
    const int lastColumn = std::min(x + r, s.arena.columns() - 1);
    const int firstRow = std::max(y - r, 0);
    const int lastRow = std::min(y + r, s.arena.rows() - 1);
    if (firstRow > lastRow) {
        return view;
    }
    const int rows = lastRow - firstRow + 1;
    const int above = firstRow - (y - r);  // rows of the window above the arena
    for (int cx = firstColumn; cx <= lastColumn; ++cx) {
        const auto from = s.arena.column(cx).subspan(static_cast<std::size_t>(firstRow),
                                                     static_cast<std::size_t>(rows));
        const auto to = view.column(cx - x + r).subspan(static_cast<std::size_t>(above));
        std::copy(from.begin(), from.end(), to.begin());
    }
    return view;
}

}  // namespace murelta
