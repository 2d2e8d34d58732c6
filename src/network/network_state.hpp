// The network as the designer edits it and a run reads it: every agent's receivers, rank and
// retina, and the communication radius. Taken while a simulation runs, so that an edit can be
// recorded with the point at which it took effect and made again at that point.
#pragma once

#include <cstdint>
#include <vector>

namespace murelta {

struct SimState;

struct NetworkState {
    std::vector<std::vector<std::int16_t>> receivers;  // per agent, in index order
    std::vector<std::int16_t> ranks;
    std::vector<double> retinas;
    double commRadius = 0.0;

    friend bool operator==(const NetworkState&, const NetworkState&) = default;
};

// The network of the group in `s`.
NetworkState networkState(const SimState& s);

// Puts `network` in place. Throws Error, changing nothing, when it does not fit the group (its
// agent count, receivers or retinas).
void restoreNetwork(SimState& s, const NetworkState& network);

}  // namespace murelta
