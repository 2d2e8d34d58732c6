// The genetic algorithm over the population of individuals: creation, score reset, truncation
// selection by mean fitness with ten copies of each parent, and bit-flip mutation.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;
class Random;

// The genetic algorithm's population: 100 individuals of 2 genes; each generation the best 10
// become parents of 10 copies each.
inline constexpr std::int16_t kPopulationSize = 100;
inline constexpr std::int16_t kGenomeLength = 2;
inline constexpr std::int16_t kReproductionDivisor = 1;
inline constexpr std::int16_t kParentCount = 10;
inline constexpr std::int16_t kOffspringPerParent = 10;

// Re-creates the population with `size` individuals of `genomeLength` genes, scores 0, and
// sets popSize and genomeLength; then initGenes. Throws Error, changing nothing, for a negative
// size or fewer than 2 genes.
void createPopulation(SimState& s, std::int16_t genomeLength, std::int16_t size);
// Every individual gets genes 25 (exploration) and 0 (communication).
void initGenes(SimState& s);
// Every individual's fitness and useCount to 0.
void resetFitness(SimState& s);
// Sets parentCount and offspringPerParent when parents x copies is a multiple of divisor and
// returns true; otherwise changes nothing and returns false. Throws Error for divisor 0 and
// for a product outside 16 bits.
bool setReproduction(SimState& s, std::int16_t divisor, std::int16_t parents, std::int16_t copies);
// The sum of fitness over the population, added in index order.
double sumFitness(const SimState& s);

// The mean and standard deviation (of the whole population, divided by its size) of gene
// `gene`, as the bytes 0 to 255.
struct GeneSummary {
    double mean = 0.0;
    double sd = 0.0;
};
GeneSummary summarizeGene(const SimState& s, int gene);
// Orders the population by fitness, largest first; equal values keep their order.
void sortPopulation(SimState& s);
// Sorts, copies the genes of the best parentCount individuals offspringPerParent times, then
// mutates every gene of every individual (8 draws per gene). Throws Error, changing nothing,
// when parentCount x offspringPerParent exceeds popSize.
void reproducePopulation(SimState& s);
// Flips each of the 8 bits, lowest first, when rate (as a float) exceeds a fresh draw.
std::uint8_t mutateGene(Random& random, std::uint8_t gene, double rate);
// Toggles bit `bit` of value; throws Error for a bit outside 0..7.
std::uint8_t flipBit(std::uint8_t value, std::int16_t bit);

}  // namespace murelta
