#include "sim/agent_map.hpp"

namespace murelta {

void AgentMap::set(int x, int y, std::int16_t value) {
    std::int16_t& cell = cells_(x, y);
    // A cell is listed when it turns non-zero; one that turns back to zero stays listed, which
    // is harmless, so the list only ever holds cells that were written.
    if (cell == 0 && value != 0) {
        written_.push_back(static_cast<std::uint32_t>(cells_.indexOf(x, y)));
    }
    cell = value;
}

void AgentMap::wipe() {
    auto cells = cells_.cells();
    for (std::uint32_t index : written_) {
        cells[index] = 0;
    }
    written_.clear();
}

AgentMap::Best AgentMap::best() const {
    auto cells = cells_.cells();
    std::int16_t bestValue = 0;
    std::uint32_t bestIndex = 0;
    for (std::uint32_t index : written_) {
        const std::int16_t value = cells[index];
        if (value > bestValue || (value == bestValue && value > 0 && index < bestIndex)) {
            bestValue = value;
            bestIndex = index;
        }
    }
    Best result;
    if (bestValue > 0) {
        const auto rows = static_cast<std::uint32_t>(cells_.rows());
        result.value = bestValue;
        result.x = static_cast<std::int16_t>(bestIndex / rows);
        result.y = static_cast<std::int16_t>(bestIndex % rows);
    }
    return result;
}

}  // namespace murelta
