#include "sim/random.hpp"

namespace murelta {

namespace {

constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15ULL;

constexpr std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

float Random::draw() {
    state_ += kGolden;
    const auto top24 = static_cast<std::uint32_t>(mix(state_) >> 40);
    return static_cast<float>(top24) * 0x1p-24f;
}

void Random::reset() {
    state_ = kStartState;
}

void Random::reseed(std::int16_t n) {
    const auto bits = static_cast<std::uint64_t>(static_cast<std::uint16_t>(n));
    state_ = mix(state_ ^ mix(bits + kGolden));
}

}  // namespace murelta
