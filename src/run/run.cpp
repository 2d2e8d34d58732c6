#include "run/run.hpp"

#include <filesystem>
#include <optional>
#include <string>

#include "evolution/fitness.hpp"
#include "evolution/genetic.hpp"
#include "run/cycle.hpp"
#include "run/data_file.hpp"
#include "run/display.hpp"
#include "run/run_stats.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"
#include "world/arena.hpp"

namespace murelta {

namespace {

// Clears `running` and restores the idle controls however the simulation ends, also when an
// error ends it.
class RunningGuard {
  public:
    RunningGuard(SimState& s, RunDisplay& display) : s_(s), display_(display) {}
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;
    ~RunningGuard() { finish(); }
    void finish() {
        if (!finished_) {
            finished_ = true;
            display_.setRunningControls(false);
            s_.running = false;
        }
    }

  private:
    SimState& s_;
    RunDisplay& display_;
    bool finished_ = false;
};

void assignIndividuals(SimState& s) {
    for (int a = 0; a < s.groupSize; ++a) {
        const double r = s.random.draw();
        // Individuals 0 and kPopulationSize - 1 are half as likely as the others.
        const auto k = static_cast<std::int16_t>(roundHalfEven(r * (kPopulationSize - 1)));
        Individual& individual = s.population[static_cast<std::size_t>(k)];
        assignIndividual(s.agent(a), individual, k);
        ++individual.useCount;
    }
}

// One run; returns false when it was cut short by a stop.
bool runOnce(SimState& s, RunDisplay& display, World& world, int run) {
    s.random.reset();
    const auto runSeed = static_cast<std::int16_t>(s.seed + run);
    s.random.reseed(runSeed);
    s.random.reseed(runSeed);
    if (s.expGeneOn || s.comGeneOn) {
        assignIndividuals(s);
    }
    display.setRunningControls(true);
    clearArena(s);
    placeTargets(s);
    placeAgents(s);
    markTargets(s);
    display.initGraphic();
    world.clearMessages(s);

    bool complete = true;
    // Counted in int: a 16-bit counter would wrap before passing a bound of 32767.
    for (int cycle = 0; cycle <= s.cyclesPerRun; ++cycle) {
        display.showProgress(static_cast<std::int16_t>(run), s.runCount,
                             static_cast<std::int16_t>(cycle), s.cyclesPerRun);
        world.stepCycle(s);
        if (display.graphicsEnabled()) {
            display.updateGraphic();
        }
        if (!s.running) {
            complete = cycle == s.cyclesPerRun;
            break;
        }
        display.yield();
        display.showMessageCount(world.countMessages(s));
        if (countAgentsOut(s) >= s.exitQuota) {
            break;
        }
    }
    recordRunStats(s, static_cast<std::int16_t>(run - 1));
    creditFitness(s);
    return complete;
}

std::string count(int n) {
    return std::to_string(n);
}

// A simulation's results are worth more than the folder it was started in: while the file
// cannot be written there, the host may name another folder. `check` tries a folder and throws
// Error when it will not do; returns the folder that did.
template <typename Check>
std::filesystem::path findDataDirectory(DataFileHost& files, std::filesystem::path directory,
                                        Check check) {
    for (;;) {
        try {
            check(directory);
            return directory;
        } catch (const Error& e) {
            const std::optional<std::filesystem::path> other = files.otherDataDirectory(e.what());
            if (!other) {
                throw;
            }
            directory = *other;
        }
    }
}

}  // namespace

void assignIndividual(Agent& agent, const Individual& individual, std::int16_t index) {
    agent.individual = index;
    agent.expGene = individual.genes[0] / 256.0;
    agent.comGene = individual.genes[1] / 256.0;
}

void checkRunParameters(const SimState& s) {
    if (s.groupSize < 1) {
        throw Error("Group size must be at least 1 to start a simulation (it is " +
                    count(s.groupSize) + ").");
    }
    if (s.generationCount < 1) {
        throw Error("Generations must be at least 1 to start a simulation (it is " +
                    count(s.generationCount) + ").");
    }
    if (s.cyclesPerRun < 0 || s.cyclesPerRun > 32766) {
        throw Error("Cycles must be from 0 to 32766 (it is " + count(s.cyclesPerRun) + ").");
    }
    if (s.seed + s.runCount > 32767) {
        throw Error("Initial Seed plus Runs must not exceed 32767 (it is " + count(s.seed) + " + " +
                    count(s.runCount) + ").");
    }
    if (s.cyclesPerRun == 0 && (s.comCostOn || (s.expCostOn && s.expGeneOn))) {
        throw Error(
            "Costs are charged per cycle of a run, so Cycles must be at least 1 while a cost "
            "is on.");
    }
    if (s.targetCount > 0 && (s.targetSize > s.arenaWidth || s.targetSize > s.arenaHeight)) {
        throw Error("Foods size " + count(s.targetSize) + " does not fit in an arena of " +
                    count(s.arenaWidth) + " x " + count(s.arenaHeight) + ".");
    }
}

void checkCanStart(const SimState& s) {
    checkRunParameters(s);
    requireStructures(s);
}

SimulationResult runSimulation(SimState& s, RunDisplay& display, DataFileHost& files,
                               World& world) {
    checkCanStart(s);
    SimulationResult result;
    // A file that cannot be written is found now rather than after hours of runs.
    result.directory =
        findDataDirectory(files, files.dataDirectory(), [&](const std::filesystem::path& folder) {
            checkDataFileWritable(s, folder);
        });
    s.interrupted = false;
    s.random.reset();
    s.random.reseed(s.seed);
    createPopulation(s, kGenomeLength, kPopulationSize);
    setReproduction(s, kReproductionDivisor, kParentCount, kOffspringPerParent);
    // Rows of runs that do not take place in this simulation must not show an earlier one's.
    for (RunStatsRow& row : s.runStats) {
        row = RunStatsRow{};
    }
    s.running = true;
    RunningGuard guard(s, display);

    bool& complete = result.complete;
    for (int g = 0; g < s.generationCount; ++g) {
        resetFitness(s);
        GenerationResult& generation = result.generations.emplace_back();
        for (int run = 1; run <= s.runCount; ++run) {
            if (!runOnce(s, display, world, run)) {
                complete = false;
            }
            generation.runs.push_back(s.runStats[static_cast<std::size_t>(run - 1)]);
            if (!s.running) {
                complete = complete && run == s.runCount;
                break;
            }
            if (display.graphicsEnabled() && s.runCount > 1) {
                display.runFinished();
            }
        }
        averageFitness(s);
        s.totalFitness = sumFitness(s) / kPopulationSize;
        generation.totalFitness = s.totalFitness;
        // The genes this generation ran with, before reproduction changes them.
        const GeneSummary exploration = summarizeGene(s, 0);
        const GeneSummary communication = summarizeGene(s, 1);
        generation.expGeneMean = exploration.mean;
        generation.expGeneSd = exploration.sd;
        generation.comGeneMean = communication.mean;
        generation.comGeneSd = communication.sd;
        display.showTotalFitness(s.totalFitness);
        reproducePopulation(s);
        if (!s.running) {
            complete = complete && g == s.generationCount - 1;
            break;
        }
    }
    guard.finish();

    if (s.generationCount == 1) {
        result.directory =
            findDataDirectory(files, result.directory, [&](const std::filesystem::path& folder) {
                result.dataFile = writeDataFile(s, folder, files.decimalSeparator());
            });
        files.dataFileWritten(result.dataFile,
                              dataFileReport(result.dataFile.filename().string(), complete),
                              complete, s.interrupted);
    }
    return result;
}

SimulationResult runSimulation(SimState& s, RunDisplay& display, DataFileHost& files) {
    EngineWorld engine;
    return runSimulation(s, display, files, engine);
}

}  // namespace murelta
