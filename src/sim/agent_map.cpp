#include "sim/agent_map.hpp"

namespace murelta {

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
