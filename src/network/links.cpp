#include "network/links.hpp"

#include <cstddef>

#include "sim/state.hpp"

namespace murelta {

namespace {

// The agents a topology writes to; refuses arrays that were not made for groupSize.
std::size_t groupCount(const SimState& s) {
    requireStructures(s);
    return static_cast<std::size_t>(s.groupSize);
}

std::uint8_t& link(SimState& s, std::size_t from, std::size_t to) {
    return s.agents[from].links[to];
}

std::uint8_t& link(SimState& s, std::int16_t from, std::int16_t to) {
    return link(s, static_cast<std::size_t>(from), static_cast<std::size_t>(to));
}

void setPair(SimState& s, std::size_t a, std::size_t b) {
    link(s, a, b) = 1;
    link(s, b, a) = 1;
}

}  // namespace

void clearNet(SimState& s) {
    const std::size_t n = groupCount(s);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            link(s, i, j) = 0;
        }
    }
}

void netAll2All(SimState& s) {
    clearNet(s);
    const std::size_t n = groupCount(s);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            if (j != i) {
                link(s, i, j) = 1;
            }
        }
    }
}

void netCircle(SimState& s) {
    clearNet(s);
    const std::size_t n = groupCount(s);
    if (n == 0) {
        return;
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        setPair(s, i, i + 1);
    }
    // On a group of one, closing the ring links the agent with itself.
    setPair(s, 0, n - 1);
}

void netStar(SimState& s) {
    clearNet(s);
    const std::size_t n = groupCount(s);
    for (std::size_t i = 1; i < n; ++i) {
        setPair(s, 0, i);
    }
}

// The second write wins when a == b, which is why mono and delete leave a self link cleared.
void setMonoLink(SimState& s, std::int16_t a, std::int16_t b) {
    requireAgent(s, a);
    requireAgent(s, b);
    link(s, a, b) = 1;
    link(s, b, a) = 0;
}

void setBiLink(SimState& s, std::int16_t a, std::int16_t b) {
    requireAgent(s, a);
    requireAgent(s, b);
    link(s, a, b) = 1;
    link(s, b, a) = 1;
}

void deleteLink(SimState& s, std::int16_t a, std::int16_t b) {
    requireAgent(s, a);
    requireAgent(s, b);
    link(s, a, b) = 0;
    link(s, b, a) = 0;
}

void randomNet(SimState& s) {
    // Taken at the draws' single precision, so the network depends only on the float value.
    const float p = static_cast<float>(s.pConnection);
    const std::size_t n = groupCount(s);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            if (j != i) {
                link(s, i, j) = p > s.random.draw() ? 1 : 0;
            }
        }
    }
}

}  // namespace murelta
