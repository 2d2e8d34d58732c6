#include "evolution/genetic.hpp"

#include <cmath>

#include <algorithm>
#include <cstddef>
#include <string>

#include "sim/error.hpp"
#include "sim/random.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

constexpr std::uint8_t kStartExploration = 25;
constexpr std::uint8_t kStartCommunication = 0;
constexpr double kMutationRate = 0.01;
constexpr std::int16_t kBitsPerGene = 8;

// popSize and the population vector are set separately, so check they agree before any loop
// indexes the vector by popSize.
std::size_t individualCount(const SimState& s) {
    if (s.popSize < 0 || static_cast<std::size_t>(s.popSize) > s.population.size()) {
        throw Error("The population holds " + std::to_string(s.population.size()) +
                    " individuals, not the " + std::to_string(s.popSize) + " expected.");
    }
    return static_cast<std::size_t>(s.popSize);
}

void requireGenes(const SimState& s, std::size_t count, int needed) {
    if (needed <= 0) {
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (s.population[i].genes.size() < static_cast<std::size_t>(needed)) {
            throw Error("Individual " + std::to_string(i) + " has " +
                        std::to_string(s.population[i].genes.size()) + " genes, fewer than " +
                        std::to_string(needed) + ".");
        }
    }
}

}  // namespace

void createPopulation(SimState& s, std::int16_t genomeLength, std::int16_t size) {
    if (size < 0) {
        throw Error("A population cannot have " + std::to_string(size) + " individuals.");
    }
    if (genomeLength < 2) {
        throw Error("A genome needs at least 2 genes, exploration and communication (asked for " +
                    std::to_string(genomeLength) + ").");
    }
    Individual blank;
    blank.genes.assign(static_cast<std::size_t>(genomeLength), 0);
    s.population.assign(static_cast<std::size_t>(size), blank);
    s.popSize = size;
    s.genomeLength = genomeLength;
    initGenes(s);
}

void initGenes(SimState& s) {
    const std::size_t n = individualCount(s);
    requireGenes(s, n, 2);
    for (std::size_t i = 0; i < n; ++i) {
        s.population[i].genes[0] = kStartExploration;
        s.population[i].genes[1] = kStartCommunication;
    }
}

void resetFitness(SimState& s) {
    const std::size_t n = individualCount(s);
    for (std::size_t i = 0; i < n; ++i) {
        s.population[i].fitness = 0.0;
        s.population[i].useCount = 0;
    }
}

bool setReproduction(SimState& s, std::int16_t divisor, std::int16_t parents, std::int16_t copies) {
    if (divisor == 0) {
        throw Error("The number of offspring cannot be checked against a divisor of 0.");
    }
    const int product = parents * copies;
    if (product < INT16_MIN || product > INT16_MAX) {
        throw Error(std::to_string(parents) + " parents with " + std::to_string(copies) +
                    " copies each is more offspring than can be counted.");
    }
    if (product % divisor != 0) {
        return false;
    }
    s.parentCount = parents;
    s.offspringPerParent = copies;
    return true;
}

double sumFitness(const SimState& s) {
    const std::size_t n = individualCount(s);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        sum += s.population[i].fitness;
    }
    return sum;
}

GeneSummary summarizeGene(const SimState& s, int gene) {
    GeneSummary summary;
    if (s.population.empty()) {
        return summary;
    }
    const auto n = static_cast<double>(s.population.size());
    for (const Individual& individual : s.population) {
        summary.mean += individual.genes[static_cast<std::size_t>(gene)];
    }
    summary.mean /= n;
    double squares = 0.0;
    for (const Individual& individual : s.population) {
        const double d = individual.genes[static_cast<std::size_t>(gene)] - summary.mean;
        squares += d * d;
    }
    summary.sd = std::sqrt(squares / n);
    return summary;
}

void sortPopulation(SimState& s) {
    const std::size_t n = individualCount(s);
    // Stable, so that equal scores keep their order exactly as pairwise exchanges of strictly
    // smaller neighbours would leave them.
    std::stable_sort(
        s.population.begin(), s.population.begin() + static_cast<std::ptrdiff_t>(n),
        [](const Individual& a, const Individual& b) { return a.fitness > b.fitness; });
}

void reproducePopulation(SimState& s) {
    const std::size_t n = individualCount(s);
    requireGenes(s, n, s.genomeLength);
    const int parents = s.parentCount;
    const int copies = s.offspringPerParent;
    if (parents > 0 && copies > 0 && parents * copies > s.popSize) {
        throw Error(std::to_string(parents) + " parents with " + std::to_string(copies) +
                    " copies each do not fit in a population of " + std::to_string(s.popSize) +
                    ".");
    }

    sortPopulation(s);
    // Round 0 would copy every parent onto itself.
    for (int i = 1; i < copies; ++i) {
        for (int v = 0; v < parents; ++v) {
            s.population[static_cast<std::size_t>(v) +
                         static_cast<std::size_t>(parents) * static_cast<std::size_t>(i)]
                .genes = s.population[static_cast<std::size_t>(v)].genes;
        }
    }
    for (std::size_t p = 0; p < n; ++p) {
        auto& genes = s.population[p].genes;
        for (int j = 0; j < s.genomeLength; ++j) {
            auto& gene = genes[static_cast<std::size_t>(j)];
            gene = mutateGene(s.random, gene, kMutationRate);
        }
    }
}

std::uint8_t mutateGene(Random& random, std::uint8_t gene, double rate) {
    const auto threshold = static_cast<float>(rate);
    std::uint8_t result = gene;
    // Draw for every bit even after a flip, so the sequence of draws never depends on the genes.
    for (std::int16_t bit = 0; bit < kBitsPerGene; ++bit) {
        if (threshold > random.draw()) {
            result = flipBit(result, bit);
        }
    }
    return result;
}

std::uint8_t flipBit(std::uint8_t value, std::int16_t bit) {
    if (bit < 0 || bit >= kBitsPerGene) {
        throw Error("A gene has bits 0 to 7; there is no bit " + std::to_string(bit) + ".");
    }
    return static_cast<std::uint8_t>(value ^ (1U << bit));
}

}  // namespace murelta
