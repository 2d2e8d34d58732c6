// The random numbers of designs and bootstrap intervals: std::mt19937_64, whose output the C++
// standard fixes, mapped to whole numbers and reals here rather than by the library's
// distributions, whose results differ between standard libraries. The same seed gives the same
// numbers on every machine and compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

namespace murelta {

class Draws {
  public:
    explicit Draws(std::uint64_t seed) : engine_(seed) {}

    // A whole number from 0 to n - 1, each equally likely (n > 0): raw outputs below 2^64 mod n
    // are drawn again, so that the remainder is unbiased.
    std::size_t below(std::size_t n) {
        const std::uint64_t range = n;
        const std::uint64_t rejected = (0 - range) % range;  // 2^64 mod n
        std::uint64_t raw = engine_();
        while (raw < rejected) {
            raw = engine_();
        }
        return static_cast<std::size_t>(raw % range);
    }

    // A real in [0, 1) on a grid of 2^-53: the top 53 bits of one output.
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1p-53; }

  private:
    std::mt19937_64 engine_;
};

}  // namespace murelta
