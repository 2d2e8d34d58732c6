#include "sim/run.hpp"

#include <string>

#include "behaviour/agent_step.hpp"
#include "behaviour/message_queue.hpp"
#include "evolution/genetic.hpp"
#include "sim/data_file.hpp"
#include "sim/error.hpp"
#include "sim/fitness.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"
#include "world/arena.hpp"
#include "world/retina.hpp"

namespace murelta {

void RunHost::showProgress(std::int16_t, std::int16_t, std::int16_t, std::int16_t) {}
void RunHost::showMessageCount(std::int16_t) {}
void RunHost::showTotalFitness(double) {}
void RunHost::setRunningControls(bool) {}
void RunHost::initGraphic() {}
void RunHost::updateGraphic() {}
bool RunHost::graphicsEnabled() {
    return false;
}
void RunHost::yield() {}
void RunHost::runFinished() {}
std::filesystem::path RunHost::dataDirectory() {
    return ".";
}
char RunHost::decimalSeparator() {
    return '.';
}
void RunHost::dataFileWritten(const std::filesystem::path&, const std::string&, bool, bool) {}
std::optional<std::filesystem::path> RunHost::otherDataDirectory(const std::string&) {
    return std::nullopt;
}

namespace {

constexpr std::int16_t kPopulationSize = 100;
constexpr std::int16_t kGenomeLength = 2;

// Clears `running` and restores the idle controls however the simulation ends, also when an
// error ends it.
class RunningGuard {
  public:
    RunningGuard(SimState& s, RunHost& host) : s_(s), host_(host) {}
    RunningGuard(const RunningGuard&) = delete;
    RunningGuard& operator=(const RunningGuard&) = delete;
    ~RunningGuard() { finish(); }
    void finish() {
        if (!finished_) {
            finished_ = true;
            host_.setRunningControls(false);
            s_.running = false;
        }
    }

  private:
    SimState& s_;
    RunHost& host_;
    bool finished_ = false;
};

void assignIndividuals(SimState& s) {
    for (int a = 0; a < s.groupSize; ++a) {
        const double r = s.random.draw();
        const auto k = static_cast<std::int16_t>(roundHalfEven(r * 99.0));
        Individual& individual = s.population[static_cast<std::size_t>(k)];
        assignIndividual(s.agents[static_cast<std::size_t>(a)], individual, k);
        ++individual.useCount;
    }
}

// One run; returns false when it was cut short by a stop.
bool runOnce(SimState& s, RunHost& host, int run) {
    s.random.reset();
    const auto runSeed = static_cast<std::int16_t>(s.seed + run);
    s.random.reseed(runSeed);
    s.random.reseed(runSeed);
    if (s.expGeneOn || s.comGeneOn) {
        assignIndividuals(s);
    }
    host.setRunningControls(true);
    clearArena(s);
    placeTargets(s);
    placeAgents(s);
    markTargets(s);
    host.initGraphic();
    clearMessages(s);

    bool complete = true;
    // Counted in int: a 16-bit counter would wrap before passing a bound of 32767.
    for (int cycle = 0; cycle <= s.cyclesPerRun; ++cycle) {
        host.showProgress(static_cast<std::int16_t>(run), s.runCount,
                          static_cast<std::int16_t>(cycle), s.cyclesPerRun);
        updateRetina(s);
        deliverMessages(s);
        agentsStep(s);
        if (host.graphicsEnabled()) {
            host.updateGraphic();
        }
        if (!s.running) {
            complete = cycle == s.cyclesPerRun;
            break;
        }
        host.yield();
        host.showMessageCount(countMessages(s));
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
std::filesystem::path findDataDirectory(RunHost& host, std::filesystem::path directory,
                                        Check check) {
    for (;;) {
        try {
            check(directory);
            return directory;
        } catch (const Error& e) {
            const std::optional<std::filesystem::path> other = host.otherDataDirectory(e.what());
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

void runSimulation(SimState& s, RunHost& host) {
    checkCanStart(s);
    // A file that cannot be written is found now rather than after hours of runs.
    std::filesystem::path directory = host.dataDirectory();
    if (s.generationCount == 1) {
        directory = findDataDirectory(host, directory, [&](const std::filesystem::path& folder) {
            checkDataFileWritable(s, folder);
        });
    }
    s.interrupted = false;
    s.random.reset();
    s.random.reseed(s.seed);
    createPopulation(s, kGenomeLength, kPopulationSize);
    setReproduction(s, 1, 10, 10);
    // Rows of runs that do not take place in this simulation must not show an earlier one's.
    for (RunStatsRow& row : s.runStats) {
        row = RunStatsRow{};
    }
    s.running = true;
    RunningGuard guard(s, host);

    bool complete = true;
    for (int g = 0; g < s.generationCount; ++g) {
        resetFitness(s);
        for (int run = 1; run <= s.runCount; ++run) {
            if (!runOnce(s, host, run)) {
                complete = false;
            }
            if (!s.running) {
                complete = complete && run == s.runCount;
                break;
            }
            if (host.graphicsEnabled() && s.runCount > 1) {
                host.runFinished();
            }
        }
        averageFitness(s);
        s.totalFitness = sumFitness(s) / 100.0;
        host.showTotalFitness(s.totalFitness);
        reproducePopulation(s);
        if (!s.running) {
            break;
        }
    }
    guard.finish();

    if (s.generationCount == 1) {
        std::filesystem::path path;
        findDataDirectory(host, directory, [&](const std::filesystem::path& folder) {
            path = writeDataFile(s, folder, host.decimalSeparator());
        });
        host.dataFileWritten(path, dataFileReport(path.filename().string(), complete), complete,
                             s.interrupted);
    }
}

}  // namespace murelta
