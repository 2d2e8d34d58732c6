#include "run/run.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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

// One run; returns false when it was cut short by a stop: SimState::running cleared, or on a
// worker thread `cancel` set.
bool runOnce(SimState& s, RunDisplay& display, World& world, int run,
             const std::atomic<bool>* cancel = nullptr) {
    s.random.reset();
    const auto seed = static_cast<std::int16_t>(runSeed(s, run - 1));
    s.random.reseed(seed);
    s.random.reseed(seed);
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
        if (!s.running || (cancel != nullptr && cancel->load(std::memory_order_relaxed))) {
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

// The runs of one generation made one after the other on `s`, as the display watches them.
// Returns false when a stop ended the generation.
bool runInPlace(SimState& s, RunDisplay& display, World& world, GenerationResult& generation,
                bool& complete) {
    for (int run = 1; run <= s.runCount; ++run) {
        if (!runOnce(s, display, world, run)) {
            complete = false;
        }
        generation.runs.push_back(s.runStats[static_cast<std::size_t>(run - 1)]);
        display.showRunsDone(run, s.runCount);
        if (!s.running) {
            complete = complete && run == s.runCount;
            return false;
        }
        if (display.graphicsEnabled() && s.runCount > 1) {
            display.runFinished();
        }
    }
    return true;
}

// What a run made on a worker thread hands back.
struct RunSlot {
    RunStatsRow row{};
    FitnessLog fitness;
    std::vector<std::int16_t> drawn;  // the individuals given to the agents, in agent order
    Random random;                    // as the run left it: mutation goes on from the last run
    bool complete = true;             // not cut short by a stop
    bool done = false;                // guarded by the pool's mutex
};

// Adds a run made on a worker thread to `s`: its uses, its fitness changes in the order they
// were made, its statistics row, and the generator as it left it.
void addRun(SimState& s, int run, RunSlot& slot, GenerationResult& generation) {
    for (const std::int16_t individual : slot.drawn) {
        ++s.population[static_cast<std::size_t>(individual)].useCount;
    }
    for (const FitnessLog::Entry& entry : slot.fitness.entries) {
        double& fitness = s.population[static_cast<std::size_t>(entry.individual)].fitness;
        for (std::int32_t k = 0; k < entry.count; ++k) {
            fitness += entry.change;
        }
    }
    s.runStats[static_cast<std::size_t>(run - 1)] = slot.row;
    generation.runs.push_back(slot.row);
    s.random = slot.random;
    slot.fitness = {};
    slot.drawn = {};
}

// How often the main thread lets the display in while runs go to other threads: often enough
// for a window to answer its user at once.
constexpr std::chrono::milliseconds kYieldInterval{15};

// How many runs past the last one added the workers may have made or be making: the runs made
// but not yet added wait with their fitness changes, so this bounds what they hold.
int runsAhead(int threads) {
    return 2 * threads;
}

// The runs of one generation on `threads` threads. Each thread copies the state itself, so that
// its memory comes from its own heap arena and no cache line is written by two threads; the
// main thread leaves `s` alone until every copy is made, so all start from the same state
// without a snapshot of their own. The main thread adds each run to `s` in run order, as soon
// as the runs before it are added, and lets the display in meanwhile. A stop ends the generation
// as it would one made in place: noticed at the end of a run (the display's showRunsDone), after
// that run; noticed while the display waits, after the next run in order, cut short where it
// was. The runs after it are dropped.
bool runOnThreads(SimState& s, RunDisplay& display, GenerationResult& generation, bool& complete,
                  int threads) {
    const int runs = s.runCount;
    const int workers = std::min(threads, runs);
    const int ahead = runsAhead(workers);
    std::vector<RunSlot> slots(static_cast<std::size_t>(runs));
    std::atomic<int> next{1};
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable ready;   // the main thread waits for copies and runs
    std::condition_variable moveOn;  // the workers wait for runs to be added
    int copies = 0;                  // guarded by mutex, as are the two below
    int addedSoFar = 0;
    std::exception_ptr failure;

    const auto cancel = [&] {
        {
            const std::lock_guard lock(mutex);
            cancelled = true;
        }
        moveOn.notify_all();
    };
    const auto workOn = [&](SimState& w) {
        FitnessLog log;
        w.fitnessLog = &log;
        w.running = true;
        RunDisplay quiet;
        EngineWorld world;
        for (int run = next++; run <= runs && !cancelled; run = next++) {
            {
                std::unique_lock lock(mutex);
                moveOn.wait(lock, [&] { return run <= addedSoFar + ahead || cancelled; });
            }
            if (cancelled) {
                break;
            }
            log.entries.clear();
            const bool whole = runOnce(w, quiet, world, run, &cancelled);
            RunSlot& slot = slots[static_cast<std::size_t>(run - 1)];
            slot.row = w.runStats[static_cast<std::size_t>(run - 1)];
            slot.fitness = std::move(log);
            if (w.expGeneOn || w.comGeneOn) {
                for (int a = 0; a < w.groupSize; ++a) {
                    slot.drawn.push_back(w.agent(a).individual);
                }
            }
            slot.random = w.random;
            slot.complete = whole;
            {
                const std::lock_guard lock(mutex);
                slot.done = true;
            }
            ready.notify_one();
        }
    };
    const auto work = [&] {
        try {
            std::optional<SimState> w;
            try {
                w.emplace(s);
            } catch (...) {
                const std::lock_guard lock(mutex);
                ++copies;
                throw;
            }
            {
                const std::lock_guard lock(mutex);
                ++copies;
            }
            ready.notify_one();
            workOn(*w);
        } catch (...) {
            // Handed to the main thread, which ends the generation and rethrows it.
            {
                const std::lock_guard lock(mutex);
                failure = std::current_exception();
                cancelled = true;
            }
            moveOn.notify_all();
        }
        ready.notify_one();
    };
    std::vector<std::jthread> pool;
    // Joins the workers, also when an error leaves this function.
    struct Joiner {
        std::vector<std::jthread>& pool;
        const decltype(cancel)& stop;
        ~Joiner() {
            stop();
            pool.clear();
        }
    } joiner{pool, cancel};
    for (int t = 0; t < workers; ++t) {
        pool.emplace_back(work);
    }
    {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return copies == workers; });
    }
    // The workers' runs tell nobody; "Stop" must be there from the start.
    display.setRunningControls(true);
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastYield = Clock::now();

    int added = 0;
    while (added < runs) {
        RunSlot* slot = nullptr;
        {
            std::unique_lock lock(mutex);
            // Wake now and then even without news, so that the display can answer its user.
            ready.wait_for(lock, kYieldInterval, [&] {
                return slots[static_cast<std::size_t>(added)].done || failure != nullptr;
            });
            if (failure != nullptr) {
                lock.unlock();
                cancel();
                pool.clear();  // joins
                std::rethrow_exception(failure);
            }
            if (slots[static_cast<std::size_t>(added)].done) {
                slot = &slots[static_cast<std::size_t>(added)];
            }
        }
        if (slot != nullptr) {
            ++added;
            addRun(s, added, *slot, generation);
            {
                const std::lock_guard lock(mutex);
                addedSoFar = added;
            }
            moveOn.notify_all();
            display.showRunsDone(added, runs);
            // When the workers keep ahead the main thread never waits, so the display gets its
            // turn here too, as often as it would while waiting.
            if (Clock::now() - lastYield >= kYieldInterval) {
                display.yield();
                lastYield = Clock::now();
            }
            if (!s.running) {
                cancel();
                complete = complete && added == runs;
                return false;
            }
        } else {
            display.yield();
            lastYield = Clock::now();
            if (!s.running) {
                // The run under way is the next in order: it ends where the stop found it.
                cancel();
                pool.clear();  // joins
                RunSlot& current = slots[static_cast<std::size_t>(added)];
                if (current.done) {
                    ++added;
                    addRun(s, added, current, generation);
                    display.showRunsDone(added, runs);
                    complete = complete && current.complete && added == runs;
                } else {
                    complete = false;
                }
                return false;
            }
        }
    }
    return true;
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
    // Every charge is cost / Cycles; an agent pays the exploration cost at most once a cycle
    // and the communication cost at most once per receiver, and an individual may be carried
    // by every agent in every run. A cost whose worst sum passes the largest double would
    // write an infinite Total Fitness.
    const double n = s.groupSize;
    const double charges = std::max(1.0, static_cast<double>(s.runCount)) * n *
                           (s.cyclesPerRun + 1.0) /
                           std::max(1.0, static_cast<double>(s.cyclesPerRun));
    const auto checkCost = [&](bool on, double cost, double perCycle, const char* label) {
        if (on && !std::isfinite(std::abs(cost) * perCycle * charges * 2.0)) {
            throw Error(std::string(label) + " " + formatNumber(cost) +
                        " is too large: charged over the runs, cycles and agents of this "
                        "simulation it would make fitness infinite.");
        }
    };
    checkCost(s.expCostOn && s.expGeneOn, s.expCost, 1.0, "Exploration Cost");
    checkCost(s.comCostOn, s.comCost, n, "Communication Cost");
    if (s.targetCount > 0 && (s.targetSize > s.arenaWidth || s.targetSize > s.arenaHeight)) {
        throw Error("Foods size " + count(s.targetSize) + " does not fit in an arena of " +
                    count(s.arenaWidth) + " x " + count(s.arenaHeight) + ".");
    }
}

void checkCanStart(const SimState& s) {
    checkRunParameters(s);
    requireStructures(s);
}

namespace {

// The threads a simulation asked for `threads` would run on: several only for several runs.
int threadsUsed(const SimState& s, int threads) {
    return threads > 1 && s.runCount > 1 ? std::min<int>(threads, s.runCount) : 1;
}

// The program itself besides a simulation: its code and libraries, the stacks and small
// allocations.
constexpr double kProgramBytes = 16.0 * 1024 * 1024;

// Every run's statistics row of every generation, kept for the record and the charts.
double resultBytes(const SimState& s) {
    const double runs = std::max<int>(s.runCount, 0);
    const double generations = std::max<int>(s.generationCount, 0);
    return generations * (sizeof(GenerationResult) + runs * sizeof(RunStatsRow));
}

}  // namespace

double simulationBytes(const SimState& s, int threads, double heldBytes) {
    const double runs = std::max<int>(s.runCount, 0);
    const double state = structureBytes(s);
    double bytes = kProgramBytes + state + heldBytes + resultBytes(s);
    const int workers = threadsUsed(s, threads);
    if (workers > 1) {
        const double n = std::max<int>(s.groupSize, 0);
        const double costs = (s.expCostOn ? 1.0 : 0.0) + (s.comCostOn ? 1.0 : 0.0);
        // A run's fitness changes: one per agent at its end and, with a cost on, at most one per
        // agent and cycle for each cost; a vector may take twice what it holds.
        const double log =
            2.0 * n * (1.0 + costs * (s.cyclesPerRun + 1.0)) * sizeof(FitnessLog::Entry);
        const double made = log + n * sizeof(std::int16_t);
        bytes += workers * state + runs * sizeof(RunSlot) + (runsAhead(workers) + workers) * made;
    }
    return bytes;
}

int threadsThatFit(const SimState& s, int threads, double heldBytes) {
    const double one = simulationBytes(s, 1, heldBytes);
    if (one > kMaxSimulationBytes) {
        const double state = structureBytes(s);
        const double results = resultBytes(s);
        throw Error("A simulation of " + count(s.groupSize) + " agents on an arena of " +
                    count(s.arenaWidth) + " x " + count(s.arenaHeight) + " with " +
                    count(s.runCount) + " runs in each of " + count(s.generationCount) +
                    " generations needs " + megabytes(one) + " of memory (" + megabytes(state) +
                    " for the agents and the arena, " + megabytes(results) +
                    " for the results of every run, " + megabytes(heldBytes) +
                    " for its record); this program allows " + megabytes(kMaxSimulationBytes) +
                    ". Make Group size, Width, Height, Runs or Generations smaller.");
    }
    int used = threadsUsed(s, threads);
    if (simulationBytes(s, used, heldBytes) <= kMaxSimulationBytes) {
        return threads;
    }
    while (used > 1 && simulationBytes(s, used, heldBytes) > kMaxSimulationBytes) {
        --used;
    }
    return used;
}

namespace {

SimulationResult simulate(SimState& s, RunDisplay& display, DataFileHost& files, World* world,
                          int threads) {
    checkCanStart(s);
    SimulationResult result;
    result.threads = threadsThatFit(s, threads);
    threads = result.threads;
    // A file that cannot be written is found now rather than after hours of runs.
    result.directory = findDataDirectory(
        files, files.dataDirectory(),
        [&](const std::filesystem::path& folder) { checkDataFileWritable(s, folder); });
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
    // Reserved, so that the results take what the memory check counted for them.
    result.generations.reserve(static_cast<std::size_t>(s.generationCount));
    for (int g = 0; g < s.generationCount; ++g) {
        resetFitness(s);
        GenerationResult& generation = result.generations.emplace_back();
        generation.runs.reserve(static_cast<std::size_t>(s.runCount));
        // The display needs every cycle of a run it draws, so only runs it does not draw go
        // to other threads.
        EngineWorld engine;
        if (world == nullptr && threads > 1 && !display.graphicsEnabled() && s.runCount > 1) {
            runOnThreads(s, display, generation, complete, threads);
        } else {
            runInPlace(s, display, world != nullptr ? *world : engine, generation, complete);
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
        display.showGenerationDone(g, generation);
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
        result.fileStem = result.dataFile.stem().string();
        files.dataFileWritten(
            result.dataFile,
            dataFileReport(result.dataFile.filename().string(), complete, s.dataFileName + ".xls"),
            complete, s.interrupted);
    } else {
        result.fileStem = freeFileStem(result.directory, s.dataFileName);
    }
    return result;
}

}  // namespace

SimulationResult runSimulation(SimState& s, RunDisplay& display, DataFileHost& files,
                               World& world) {
    return simulate(s, display, files, &world, 1);
}

SimulationResult runSimulation(SimState& s, RunDisplay& display, DataFileHost& files, int threads) {
    return simulate(s, display, files, nullptr, threads);
}

}  // namespace murelta
