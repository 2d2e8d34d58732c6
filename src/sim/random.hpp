// The simulation's pseudo-random generator: one uniform draw, a reset to a fixed state, and a
// reseed that moves the state by a 16-bit number. The same calls give the same numbers on every
// machine and compiler.
#pragma once

#include <cstdint>

namespace murelta {

// SplitMix64 (Steele, Lea and Flood, 2014): a 64-bit counter advanced by the golden-ratio
// increment and passed through a fixed bijective mixer. draw() returns the top 24 bits of the
// mixed value times 2^-24, so every result is an exact float in [0, 1) on a grid of 2^-24 and no
// library distribution (whose output differs between standard libraries) is involved. reset()
// puts the counter at a fixed constant, which is also the start-up state; reseed(n) replaces the
// counter by a mix of the counter and n, so the new state depends only on the old one and n.
class Random {
  public:
    // Inline: agents draw several times a turn.
    float draw() {
        state_ += kGolden;
        const auto top24 = static_cast<std::uint32_t>(mix(state_) >> 40);
        return static_cast<float>(top24) * 0x1p-24f;
    }
    void reset();
    void reseed(std::int16_t n);

    std::uint64_t state() const { return state_; }
    friend bool operator==(const Random&, const Random&) = default;

  private:
    static constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15ULL;
    static constexpr std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    static constexpr std::uint64_t kStartState = 0x6d75726c65746131ULL;
    std::uint64_t state_ = kStartState;
};

}  // namespace murelta
