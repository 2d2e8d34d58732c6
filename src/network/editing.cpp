#include "network/editing.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

// The agents the panels may write to; refuses arrays that were not made for groupSize.
std::size_t agentCount(const SimState& s) {
    requireStructures(s);
    return static_cast<std::size_t>(s.groupSize);
}

template <typename Store>
void forEachAgent(SimState& s, std::span<const std::int16_t> agents, Store store) {
    for (const std::int16_t agent : agents) {
        requireAgent(s, agent);
    }
    for (const std::int16_t agent : agents) {
        store(s.agent(agent));
    }
}

}  // namespace

LeaderClick leaderClick(const SimState& s, std::int16_t agent, bool checked) {
    // Summed wide: many large ranks would overflow an Integer sum.
    std::int64_t rankSum = 0;
    const std::size_t n = agentCount(s);
    for (std::size_t i = 0; i < n; ++i) {
        rankSum += s.agents[i].rank;
    }
    using Action = LeaderClick::Action;
    if (rankSum == 0) {
        return {Action::kSetRank, static_cast<std::int16_t>(checked ? 1 : 0)};
    }
    const bool known = agent >= 0 && static_cast<std::size_t>(agent) < n;
    if (known && s.agent(agent).rank == 1) {
        return checked ? LeaderClick{Action::kNothing, 1} : LeaderClick{Action::kSetRank, 0};
    }
    return {Action::kRefuse, 0};
}

std::optional<std::int16_t> boxInteger(double value) {
    try {
        return toInteger(value, "Box");
    } catch (const Error&) {
        return std::nullopt;
    }
}

bool storeRank(SimState& s, std::span<const std::int16_t> agents, double value) {
    const std::optional<std::int16_t> rank = boxInteger(value);
    if (!rank || *rank < 0) {
        return false;
    }
    forEachAgent(s, agents, [&](Agent& agent) { agent.rank = *rank; });
    return true;
}

bool storeRetina(SimState& s, std::span<const std::int16_t> agents, double value) {
    const std::optional<std::int16_t> retina = boxInteger(value);
    if (!retina || *retina < 0 || *retina > kMaxRetina) {
        return false;
    }
    forEachAgent(s, agents, [&](Agent& agent) { setRetina(agent, *retina); });
    return true;
}

bool storeTargetSize(SimState& s, std::int16_t target, double value) {
    requireStructures(s);
    const std::optional<std::int16_t> size = boxInteger(value);
    if (!size || target < 0 || static_cast<std::size_t>(target) >= s.targets.size()) {
        return false;
    }
    s.targets[static_cast<std::size_t>(target)].size = *size;
    return true;
}

std::int16_t shiftedTarget(const SimState& s, std::int16_t current, int step) {
    const int next = current + step;
    if (next < 0 || next > s.targetCount - 1) {
        return current;
    }
    return static_cast<std::int16_t>(next);
}

}  // namespace murelta
