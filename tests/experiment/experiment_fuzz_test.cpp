// Damaged experiment files: a valid file flipped, cut and spliced at random must be refused with
// a message or read as an experiment that could start and saves to what it reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "experiment/experiment.hpp"
#include "run/run.hpp"
#include "sim/error.hpp"
#include "sim/state.hpp"
#include "support/test_seed.hpp"

namespace murelta {
namespace {

// A file with every part a mutation can hit: parameters as texts and numbers, flags, a preset,
// the range, listed agents and a sweep with a list and a range.
constexpr std::string_view kFile = R"(format = 2
[parameters]
agents = "6"
runs = 3
cycles = "40"
p = 0.5
first-out = true
label = "fuzz"

[network]
preset = "Tab 6b"
range = "space dependent"

[[network.agents]]
index = 0
receivers = [ 1, 2 ]
leader = true
rank = 1
retina = 5.0

[[network.agents]]
index = 3
receivers = [ 0 ]
rank = 2
retina = 12.0

[sweep]
seed = ["0", "9"]
foods = { from = 1, to = 3, step = 1 }
)";

// Bytes that mean something to the parser or the reader.
constexpr std::string_view kSpecial = "\"'[]{}=.,#\n\\-+0123456789eE \t";

std::string mutate(std::string text, std::mt19937_64& random) {
    const auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    for (std::size_t k = 1 + pick(3); k > 0 && !text.empty(); --k) {
        const std::size_t at = pick(text.size());
        switch (pick(5)) {
            case 0:  // a flipped bit
                text[at] = static_cast<char>(text[at] ^ (1 << pick(8)));
                break;
            case 1:  // cut short
                text.resize(at);
                break;
            case 2:  // a meaningful byte in its place
                text[at] = kSpecial[pick(kSpecial.size())];
                break;
            case 3:  // a piece of the file again somewhere else
                text.insert(at, text.substr(pick(text.size()), pick(40)));
                break;
            default:  // a piece left out
                text.erase(at, pick(20));
                break;
        }
    }
    return text;
}

TEST(ExperimentFuzz, DamagedFilesAreRefusedOrReadAsRunnableExperiments) {
    const int kCases = std::getenv("MURELTA_FUZZ_CASES") != nullptr
                           ? std::stoi(std::getenv("MURELTA_FUZZ_CASES"))
                           : 5000;
    const std::uint64_t seed = fixtures::testSeed("ExperimentFuzz");
    std::mt19937_64 random(seed);
    int refused = 0;
    for (int k = 0; k < kCases; ++k) {
        const std::string text = mutate(std::string(kFile), random);
        SCOPED_TRACE("case " + std::to_string(k) + ":\n" + text);
        Experiment e;
        try {
            e = parseExperiment(text, "fuzz.toml");
        } catch (const ExperimentError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with("fuzz.toml")) << error.what();
            ++refused;
            continue;
        }
        // What was read saves to a file that reads back as the same experiment.
        EXPECT_EQ(parseExperiment(experimentText(e), "saved.toml"), e);
        // Every configuration could start.
        for (std::size_t c = 0; c < configurationCount(e); ++c) {
            SimState s;
            EXPECT_NO_THROW({
                applyExperiment(s, configuration(e, c));
                checkCanStart(s);
            });
        }
    }
    // Most damage is refused, and some is harmless: both paths were taken.
    EXPECT_GT(refused, kCases / 2);
    EXPECT_LT(refused, kCases - kCases / 100);
}

}  // namespace
}  // namespace murelta
