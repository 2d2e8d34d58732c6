// Tests for the genetic algorithm: population set-up, scores, sorting, copying and mutation.
#include "evolution/genetic.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "sim/error.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

// 100 individuals whose genes and useCount name their starting index.
SimState numberedPopulation() {
    SimState s;
    createPopulation(s, 2, 100);
    for (int i = 0; i < 100; ++i) {
        auto& ind = s.population[static_cast<std::size_t>(i)];
        ind.genes = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(200 - i)};
        ind.useCount = static_cast<std::int16_t>(i);
    }
    return s;
}

TEST(Genetic, FlipBitTogglesOneBit) {
    EXPECT_EQ(flipBit(25, 0), 24);
    EXPECT_EQ(flipBit(24, 0), 25);
    EXPECT_EQ(flipBit(0, 7), 128);
    EXPECT_EQ(flipBit(255, 7), 127);
    EXPECT_THROW(flipBit(0, 8), Error);
    EXPECT_THROW(flipBit(0, -1), Error);
}

TEST(Genetic, MutateGeneDrawsEightNumbersAndFlipsBitsBelowRate) {
    Random random;
    for (int gene = 0; gene < 256; ++gene) {
        for (double rate : {0.0, 0.01, 0.5, 1.0}) {
            Random replay = random;
            std::uint8_t expected = static_cast<std::uint8_t>(gene);
            for (int bit = 0; bit < 8; ++bit) {
                if (static_cast<float>(rate) > replay.draw()) {
                    expected = static_cast<std::uint8_t>(expected ^ (1 << bit));
                }
            }
            EXPECT_EQ(mutateGene(random, static_cast<std::uint8_t>(gene), rate), expected);
            EXPECT_EQ(random, replay) << "gene " << gene << " rate " << rate;
        }
    }
    EXPECT_EQ(mutateGene(random, 0x5a, 1.0), 0xa5);
}

TEST(Genetic, NewPopulationHasGenes25And0AndNoScores) {
    SimState s = numberedPopulation();
    s.population[3].fitness = 7.0;
    const Random before = s.random;
    createPopulation(s, 3, 40);
    ASSERT_EQ(s.population.size(), 40U);
    EXPECT_EQ(s.popSize, 40);
    EXPECT_EQ(s.genomeLength, 3);
    for (const auto& ind : s.population) {
        EXPECT_EQ(ind.genes, (std::vector<std::uint8_t>{25, 0, 0}));
        EXPECT_EQ(ind.fitness, 0.0);
        EXPECT_EQ(ind.useCount, 0);
    }
    EXPECT_EQ(s.random, before);
    EXPECT_THROW(createPopulation(s, 1, 100), Error);
    EXPECT_EQ(s.popSize, 40);
}

TEST(Genetic, ScoresSumInIndexOrderAndReset) {
    SimState s;
    createPopulation(s, 2, 3);
    s.population[0].fitness = 1e16;  // later 1.0s vanish in the rounding when added in order
    s.population[1].fitness = 1.0;
    s.population[2].fitness = 1.0;
    s.population[2].useCount = 4;
    EXPECT_EQ(sumFitness(s), 1e16);
    resetFitness(s);
    EXPECT_EQ(sumFitness(s), 0.0);
    EXPECT_EQ(s.population[2].useCount, 0);
}

TEST(Genetic, SetReproductionNeedsAMultipleOfTheDivisor) {
    SimState s;
    EXPECT_TRUE(setReproduction(s, 1, 10, 10));
    EXPECT_FALSE(setReproduction(s, 3, 5, 4));
    EXPECT_EQ(s.parentCount, 10);
    EXPECT_EQ(s.offspringPerParent, 10);
    EXPECT_TRUE(setReproduction(s, 4, 5, 4));
    EXPECT_EQ(s.parentCount, 5);
    EXPECT_EQ(s.offspringPerParent, 4);
    EXPECT_THROW(setReproduction(s, 0, 10, 10), Error);
    EXPECT_THROW(setReproduction(s, 1, 200, 200), Error);
}

TEST(Genetic, SortKeepsTheOrderOfEqualScores) {
    SimState s = numberedPopulation();
    const double scores[] = {1.0, 3.0, 1.0, 3.0, 2.0};
    for (std::size_t i = 0; i < 5; ++i) {
        s.population[i].fitness = scores[i];
    }
    sortPopulation(s);
    const int order[] = {1, 3, 4, 0, 2, 5, 6};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(s.population[i].useCount, order[i]) << "place " << i;
        EXPECT_EQ(s.population[i].genes[0], order[i]) << "place " << i;
    }
}

TEST(Genetic, ReproductionDrawsSixteenHundredNumbers) {
    SimState s;
    createPopulation(s, 2, 100);
    Random expected = s.random;
    for (int i = 0; i < 1600; ++i) {
        expected.draw();
    }
    reproducePopulation(s);
    EXPECT_EQ(s.random, expected);
}

// Only individual 57 scores, so the parents in order are 57, 0, 1, ..., 8.
TEST(Genetic, ReproductionCopiesTenBestInOrderThenMutatesEveryPlace) {
    SimState s = numberedPopulation();
    s.population[57].fitness = 0.5;
    const std::vector<int> parents{57, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    Random replay = s.random;
    reproducePopulation(s);
    for (std::size_t p = 0; p < 100; ++p) {
        const auto parent = static_cast<std::uint8_t>(parents[p % 10]);
        const auto second = static_cast<std::uint8_t>(200 - parent);
        const std::uint8_t gene0 = mutateGene(replay, parent, 0.01);
        const std::uint8_t gene1 = mutateGene(replay, second, 0.01);
        EXPECT_EQ(s.population[p].genes, (std::vector<std::uint8_t>{gene0, gene1})) << p;
    }
    EXPECT_EQ(s.random, replay);
    // Scores moved with the sort but were not copied.
    EXPECT_EQ(s.population[0].fitness, 0.5);
    EXPECT_EQ(s.population[0].useCount, 57);
    EXPECT_EQ(s.population[10].useCount, 9);
    EXPECT_EQ(s.population[99].useCount, 99);
}

TEST(Genetic, ReproductionRefusesMoreOffspringThanPlaces) {
    SimState s = numberedPopulation();
    s.population[57].fitness = 1.0;
    ASSERT_TRUE(setReproduction(s, 1, 11, 10));
    const Random random = s.random;
    EXPECT_THROW(reproducePopulation(s), Error);
    EXPECT_EQ(s.population[0].useCount, 0);  // not sorted either
    EXPECT_EQ(s.random, random);
}

}  // namespace
}  // namespace murelta
