// The seed of a randomised test: fresh every run, so that runs explore new inputs, or the one in
// MURELTA_TEST_SEED, so that a failure a test printed can be replayed.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <string_view>

namespace murelta::fixtures {

// Prints the seed with the test's name before anything can fail.
inline std::uint64_t testSeed(std::string_view test) {
    std::uint64_t seed = 0;
    if (const char* fixed = std::getenv("MURELTA_TEST_SEED"); fixed != nullptr && *fixed != '\0') {
        seed = std::stoull(fixed);
    } else {
        std::random_device device;
        seed = (std::uint64_t{device()} << 32) | device();
    }
    std::cout << test << ": seed " << seed << " (MURELTA_TEST_SEED=" << seed << " replays it)"
              << std::endl;
    return seed;
}

}  // namespace murelta::fixtures
