#include "world/arena.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "sim/error.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

// A random coordinate 0..n-1: the product of a draw and n is exact in double precision, so
// rounding it down can never reach n.
std::int16_t randomCoordinate(Random& random, int n) {
    return static_cast<std::int16_t>(std::floor(static_cast<double>(random.draw()) * n));
}

void startAt(Agent& agent, std::int16_t x, std::int16_t y) {
    agent.x = x;
    agent.y = y;
    agent.timeInArena = 0;
    agent.inArena = true;
}

}  // namespace

void clearArena(SimState& s) {
    auto cells = s.arena.cells();
    std::fill(cells.begin(), cells.end(), kEmptyCell);
    s.targetSums.clear();
}

void placeTargets(SimState& s) {
    if (s.targetCount > 0 && (s.targetSize > s.arenaWidth || s.targetSize > s.arenaHeight)) {
        throw Error("A target of size " + std::to_string(s.targetSize) +
                    " does not fit in an arena of width " + std::to_string(s.arenaWidth) +
                    " and height " + std::to_string(s.arenaHeight) +
                    ": the foods size must not exceed the width or the height.");
    }
    for (int t = 0; t < s.targetCount; ++t) {
        Target& target = s.targets[static_cast<std::size_t>(t)];
        target.size = s.targetSize;
        target.x = randomCoordinate(s.random, s.arenaWidth - target.size);
        target.y = randomCoordinate(s.random, s.arenaHeight - target.size);
    }
}

void placeAgents(SimState& s) {
    if (s.groupSize <= 0) {
        return;
    }
    if (s.sameStart) {
        const std::int16_t x = randomCoordinate(s.random, s.arenaWidth);
        const std::int16_t y = randomCoordinate(s.random, s.arenaHeight);
        for (int i = 0; i < s.groupSize; ++i) {
            startAt(s.agent(i), x, y);
        }
        return;
    }
    for (int i = 0; i < s.groupSize; ++i) {
        const std::int16_t x = randomCoordinate(s.random, s.arenaWidth);
        const std::int16_t y = randomCoordinate(s.random, s.arenaHeight);
        startAt(s.agent(i), x, y);
    }
}

void markTargets(SimState& s) {
    std::vector<CellSums::Square> squares;
    for (int t = 0; t < s.targetCount; ++t) {
        const Target& target = s.targets[static_cast<std::size_t>(t)];
        for (int i = 0; i <= target.size; ++i) {
            const auto column = s.arena.column(target.x + i);
            std::fill_n(column.begin() + target.y, target.size + 1, kTargetCell);
        }
        squares.push_back({target.x, target.y, target.size});
    }
    // A few targets apart from each other are counted from their squares, which saves making
    // the tables at every run's start; overlapping ones from the arena.
    if (!s.targetSums.useSquares(s.arena.columns(), s.arena.rows(), squares)) {
        sumTargets(s);
    }
}

void sumTargets(SimState& s) {
    s.targetSums.build(s.arena, kTargetCell);
}

}  // namespace murelta
