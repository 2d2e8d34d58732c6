#include "network/network_state.hpp"

#include <algorithm>
#include <string>

#include "sim/error.hpp"
#include "sim/state.hpp"

namespace murelta {

NetworkState networkState(const SimState& s) {
    requireStructures(s);
    NetworkState network;
    const auto n = static_cast<std::size_t>(s.groupSize);
    network.receivers.resize(n);
    network.ranks.reserve(n);
    network.retinas.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Agent& agent = s.agents[i];
        for (std::size_t j = 0; j < n; ++j) {
            if (agent.links[j] == 1) {
                network.receivers[i].push_back(static_cast<std::int16_t>(j));
            }
        }
        network.ranks.push_back(agent.rank);
        network.retinas.push_back(agent.retina);
    }
    network.commRadius = s.commRadius;
    return network;
}

void restoreNetwork(SimState& s, const NetworkState& network) {
    requireStructures(s);
    const auto n = static_cast<std::size_t>(s.groupSize);
    if (network.receivers.size() != n || network.ranks.size() != n || network.retinas.size() != n) {
        throw Error("A network of " + std::to_string(network.receivers.size()) +
                    " agents does not fit a group of " + std::to_string(n) + ".");
    }
    for (std::size_t i = 0; i < n; ++i) {
        for (const std::int16_t receiver : network.receivers[i]) {
            requireAgent(s, receiver);
        }
        if (!(network.retinas[i] >= 0.0 && network.retinas[i] <= kMaxRetina)) {
            throw Error("Agent " + std::to_string(i) + ": a retina outside 0 to " +
                        std::to_string(kMaxRetina) + ".");
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        Agent& agent = s.agents[i];
        std::fill(agent.links.begin(), agent.links.end(), std::uint8_t{0});
        for (const std::int16_t receiver : network.receivers[i]) {
            agent.links[static_cast<std::size_t>(receiver)] = 1;
        }
        agent.rank = network.ranks[i];
        setRetina(agent, network.retinas[i]);
    }
    s.commRadius = network.commRadius;
}

}  // namespace murelta
