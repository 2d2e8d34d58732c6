#include "sim/random.hpp"

namespace murelta {

void Random::reset() {
    state_ = kStartState;
}

void Random::reseed(std::int16_t n) {
    const auto bits = static_cast<std::uint64_t>(static_cast<std::uint16_t>(n));
    state_ = mix(state_ ^ mix(bits + kGolden));
}

}  // namespace murelta
