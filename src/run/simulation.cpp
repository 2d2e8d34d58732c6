#include "run/simulation.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "evolution/fitness.hpp"
#include "evolution/genetic.hpp"
#include "run/cycle.hpp"
#include "run/data_file.hpp"
#include "run/hosts.hpp"
#include "run/run_stats.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"
#include "world/arena.hpp"

namespace murelta {

namespace {

// How long one call may wait for the runs on other threads: short enough for a window to answer
// its user at once.
constexpr std::chrono::milliseconds kTimeSlice{15};

void assignIndividuals(SimState& s) {
    for (int a = 0; a < s.groupSize; ++a) {
        const double r = s.random.draw();
        // Individuals 0 and popSize - 1 are half as likely as the others.
        const auto k = static_cast<std::int16_t>(roundHalfEven(r * (s.popSize - 1)));
        Individual& individual = s.population[static_cast<std::size_t>(k)];
        assignIndividual(s.agent(a), individual, k);
        ++individual.useCount;
    }
}

// The start of run `run` (1..runCount): its seed, the individuals, the arena, the targets and the
// agents placed.
void startRun(SimState& s, int run) {
    s.random.reset();
    const auto seed = static_cast<std::int16_t>(runSeed(s, run - 1));
    s.random.reseed(seed);
    s.random.reseed(seed);
    if (s.expGeneOn || s.comGeneOn) {
        assignIndividuals(s);
    }
    clearArena(s);
    placeTargets(s);
    placeAgents(s);
    markTargets(s);
}

// The end of run `run`: its statistics row and its agents' fitness.
void closeRun(SimState& s, int run) {
    recordRunStats(s, static_cast<std::int16_t>(run - 1));
    creditFitness(s);
}

// A whole run on a worker thread, which nobody watches. Returns whether it ran to its end, and
// the cycles it took.
bool runAside(SimState& s, World& world, int run, const std::atomic<bool>& cancel, int& cycles) {
    startRun(s, run);
    world.clearMessages(s);
    bool complete = true;
    // Counted in int: a 16-bit counter would wrap before passing a bound of 32767.
    for (int cycle = 0; cycle <= s.cyclesPerRun; ++cycle) {
        world.stepCycle(s);
        ++cycles;
        if (!s.running || cancel.load(std::memory_order_relaxed)) {
            complete = cycle == s.cyclesPerRun;
            break;
        }
        if (countAgentsOut(s) >= s.exitQuota) {
            break;
        }
    }
    closeRun(s, run);
    return complete;
}

// What a run made on a worker thread hands back.
struct RunSlot {
    RunStatsRow row{};
    FitnessLog fitness;
    std::vector<std::int16_t> drawn;  // the individuals given to the agents, in agent order
    Random random;                    // as the run left it: mutation goes on from the last run
    bool complete = true;             // not cut short by a stop
    int cycles = 0;
    bool done = false;  // guarded by the pool's mutex
};

// How many runs past the last one added the workers may have made or be making: the runs made
// but not yet added wait with their fitness changes, so this bounds what they hold.
int runsAheadOf(int workers) {
    return 2 * workers;
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

// The runs of one generation on worker threads. Each thread copies the state itself, so that
// its memory comes from its own heap arena and no cache line is written by two threads; the
// caller leaves the state alone until every copy is made, so all start from the same state
// without a snapshot of their own. The runs are added to the state in run order, each as soon
// as the runs before it are added, so the results are the same, to the bit, for every thread
// count.
struct Simulation::Pool {
    using Slot = RunSlot;

    Pool(const SimState& s, int threads)
        : runs(s.runCount),
          workers(std::min<int>(threads, s.runCount)),
          ahead(runsAheadOf(workers)),
          slots(static_cast<std::size_t>(runs)) {
        for (int t = 0; t < workers; ++t) {
            threadsRunning.emplace_back([this, &s] { work(s); });
        }
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return copies == workers; });
    }
    ~Pool() { join(); }
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    void cancel() {
        {
            const std::lock_guard lock(mutex);
            cancelled = true;
        }
        moveOn.notify_all();
    }
    void join() {
        cancel();
        threadsRunning.clear();
    }

    // The next run in order once it is done, waiting at most `slice`; null when it is not.
    // Rethrows what ended a worker.
    Slot* next(std::chrono::milliseconds slice) {
        std::unique_lock lock(mutex);
        ready.wait_for(lock, slice, [&] { return slots[added].done || failure != nullptr; });
        if (failure != nullptr) {
            lock.unlock();
            join();
            std::rethrow_exception(failure);
        }
        return slots[added].done ? &slots[added] : nullptr;
    }

    // Adds the next run in order to `s`: its uses, its fitness changes in the order they were
    // made, its statistics row, and the generator as it left it.
    void addTo(SimState& s, GenerationResult& generation) {
        Slot& slot = slots[added];
        for (const std::int16_t individual : slot.drawn) {
            ++s.population[static_cast<std::size_t>(individual)].useCount;
        }
        for (const FitnessLog::Entry& entry : slot.fitness.entries) {
            double& fitness = s.population[static_cast<std::size_t>(entry.individual)].fitness;
            for (std::int32_t k = 0; k < entry.count; ++k) {
                fitness += entry.change;
            }
        }
        s.runStats[added] = slot.row;
        generation.runs.push_back(slot.row);
        s.random = slot.random;
        slot.fitness = {};
        slot.drawn = {};
        {
            const std::lock_guard lock(mutex);
            ++added;
        }
        moveOn.notify_all();
    }

    void work(const SimState& s) {
        try {
            std::optional<SimState> copy;
            try {
                copy.emplace(s);
            } catch (...) {
                const std::lock_guard lock(mutex);
                ++copies;
                throw;
            }
            {
                const std::lock_guard lock(mutex);
                ++copies;
            }
            ready.notify_all();
            workOn(*copy);
        } catch (...) {
            // Handed to the caller, which ends the generation and rethrows it.
            {
                const std::lock_guard lock(mutex);
                failure = std::current_exception();
                cancelled = true;
            }
            moveOn.notify_all();
        }
        ready.notify_all();
    }

    void workOn(SimState& w) {
        FitnessLog log;
        w.fitnessLog = &log;
        w.running = true;
        EngineWorld world;
        for (int run = nextRun++; run <= runs && !cancelled; run = nextRun++) {
            {
                std::unique_lock lock(mutex);
                moveOn.wait(lock,
                            [&] { return run <= static_cast<int>(added) + ahead || cancelled; });
            }
            if (cancelled) {
                break;
            }
            log.entries.clear();
            Slot& slot = slots[static_cast<std::size_t>(run - 1)];
            slot.complete = runAside(w, world, run, cancelled, slot.cycles);
            slot.row = w.runStats[static_cast<std::size_t>(run - 1)];
            slot.fitness = std::move(log);
            if (w.expGeneOn || w.comGeneOn) {
                for (int a = 0; a < w.groupSize; ++a) {
                    slot.drawn.push_back(w.agent(a).individual);
                }
            }
            slot.random = w.random;
            {
                const std::lock_guard lock(mutex);
                slot.done = true;
            }
            ready.notify_all();
        }
    }

    const int runs;
    const int workers;
    const int ahead;
    std::vector<Slot> slots;
    std::size_t added = 0;  // runs added, written by the caller's thread under the mutex
    std::atomic<int> nextRun{1};
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable ready;   // the caller waits for copies and runs
    std::condition_variable moveOn;  // the workers wait for runs to be added
    int copies = 0;
    std::exception_ptr failure;
    std::vector<std::jthread> threadsRunning;
};

Simulation::Simulation(SimState& s, SimulationSetup setup) : s_(s), setup_(std::move(setup)) {
    checkCanStart(s_);
    if (setup_.world == nullptr) {
        engine_ = std::make_unique<EngineWorld>();
        world_ = engine_.get();
    } else {
        world_ = setup_.world;
        setup_.threads = 1;  // another world's state is its own: its runs are made in place
    }
    result_.threads = threadsThatFit(s_, setup_.threads);
    // A file that cannot be written is found now rather than after hours of runs.
    result_.directory = findDataDirectory(
        *setup_.files, setup_.files->dataDirectory(),
        [&](const std::filesystem::path& folder) { checkDataFileWritable(s_, folder); });
    s_.interrupted = false;
    s_.random.reset();
    s_.random.reseed(s_.seed);
    createPopulation(s_, kGenomeLength, kPopulationSize);
    setReproduction(s_, kReproductionDivisor, kParentCount, kOffspringPerParent);
    // Rows of runs that do not take place in this simulation must not show an earlier one's.
    for (RunStatsRow& row : s_.runStats) {
        row = RunStatsRow{};
    }
    // Reserved, so that the results take what the memory check counted for them.
    result_.generations.reserve(static_cast<std::size_t>(s_.generationCount));
    s_.running = true;
}

Simulation::~Simulation() {
    pool_.reset();
    s_.running = false;
}

bool Simulation::finished() const {
    return stage_ == Stage::kDone;
}

void Simulation::stop() {
    s_.running = false;
}

void Simulation::networkChanged() {
    edited_ = true;
}

void Simulation::takeChanges() {
    // An edit made in place takes effect at this call; one made while the runs are on other
    // threads, which have their copies, at the next generation.
    if (edited_ && (inPlace_ || stage_ == Stage::kGeneration)) {
        edited_ = false;
        changes_.push_back({point_, networkState(s_)});
    }
    while (nextChange_ < setup_.changes.size() && setup_.changes[nextChange_].at <= point_) {
        const NetworkChange& change = setup_.changes[nextChange_++];
        restoreNetwork(s_, change.network);
        changes_.push_back({point_, change.network});
    }
}

Advance Simulation::advance() {
    acknowledge_ = false;
    try {
        // Most cycles have no change to take: the test is made here, in every cycle, not by a call.
        if (edited_ || nextChange_ < setup_.changes.size()) {
            takeChanges();
        }
        switch (stage_) {
            case Stage::kGeneration:
                beginGeneration();
                if (!inPlace_) {
                    return poolStep();
                }
                beginRun();
                return cycle();
            case Stage::kRun:
                beginRun();
                return cycle();
            case Stage::kCycles:
                // The end of the cycle before, after the caller's turn.
                if (setup_.listener != nullptr) {
                    setup_.listener->showMessageCount(world_->countMessages(s_));
                }
                if (countAgentsOut(s_) >= s_.exitQuota || point_.cycle > s_.cyclesPerRun) {
                    return endRun(true);
                }
                return cycle();
            case Stage::kPool:
                return poolStep();
            case Stage::kGenerationEnd:
                return endGeneration();
            case Stage::kFinish:
                return finish();
            case Stage::kDone:
                break;
        }
    } catch (...) {
        pool_.reset();
        stage_ = Stage::kDone;
        s_.running = false;
        throw;
    }
    return Advance::kFinished;
}

void Simulation::beginGeneration() {
    resetFitness(s_);
    GenerationResult& generation = result_.generations.emplace_back();
    generation.summary.generation = point_.generation;
    generation.runs.reserve(static_cast<std::size_t>(s_.runCount));
    // The drawing needs every cycle of a run it shows, and a change a record makes inside a
    // generation needs its runs in place; the other runs may go to other threads.
    const bool drawn = setup_.drawing != nullptr && setup_.drawing->graphicsEnabled();
    const bool changeInside =
        std::any_of(setup_.changes.begin() + static_cast<long>(nextChange_), setup_.changes.end(),
                    [&](const NetworkChange& change) {
                        return change.at.generation == point_.generation &&
                               change.at != SimulationPoint{point_.generation, 0, 0};
                    });
    const bool aside = result_.threads > 1 || setup_.editsWaitForTheNextGeneration;
    inPlace_ = drawn || changeInside || !aside || s_.runCount <= 1 || engine_ == nullptr;
    if (!inPlace_) {
        pool_ = std::make_unique<Pool>(s_, result_.threads);
        stage_ = Stage::kPool;
    }
}

void Simulation::beginRun() {
    run_ = point_.run + 1;
    point_.cycle = 0;
    startRun(s_, run_);
    if (setup_.drawing != nullptr) {
        setup_.drawing->initGraphic();
    }
    world_->clearMessages(s_);
    stage_ = Stage::kCycles;
}

Advance Simulation::cycle() {
    if (setup_.listener != nullptr) {
        setup_.listener->showProgress(static_cast<std::int16_t>(run_), s_.runCount,
                                      static_cast<std::int16_t>(point_.cycle), s_.cyclesPerRun);
    }
    world_->stepCycle(s_);
    ++cycles_;
    if (setup_.drawing != nullptr && setup_.drawing->graphicsEnabled()) {
        setup_.drawing->updateGraphic();
    }
    const int done = point_.cycle++;
    if (!s_.running) {
        return endRun(done == s_.cyclesPerRun);
    }
    return Advance::kCycle;
}

Advance Simulation::endRun(bool complete) {
    closeRun(s_, run_);
    result_.complete = result_.complete && complete;
    GenerationResult& generation = result_.generations.back();
    generation.runs.push_back(s_.runStats[static_cast<std::size_t>(run_ - 1)]);
    point_.run = run_;
    point_.cycle = 0;
    if (setup_.listener != nullptr) {
        setup_.listener->showRunsDone(point_.run, s_.runCount);
    }
    if (!s_.running) {
        result_.complete = result_.complete && point_.run == s_.runCount;
        stage_ = Stage::kGenerationEnd;
        return Advance::kRunEnded;
    }
    acknowledge_ =
        setup_.drawing != nullptr && setup_.drawing->graphicsEnabled() && s_.runCount > 1;
    stage_ = point_.run < s_.runCount ? Stage::kRun : Stage::kGenerationEnd;
    return Advance::kRunEnded;
}

Advance Simulation::poolStep() {
    GenerationResult& generation = result_.generations.back();
    if (!s_.running) {
        // The run under way is the next in order: it ends where the stop found it.
        pool_->join();
        Pool::Slot& current = pool_->slots[pool_->added];
        if (current.done) {
            const bool complete = current.complete;
            cycles_ += current.cycles;
            pool_->addTo(s_, generation);
            point_.run = static_cast<int>(pool_->added);
            if (setup_.listener != nullptr) {
                setup_.listener->showRunsDone(point_.run, s_.runCount);
            }
            result_.complete = result_.complete && complete && point_.run == s_.runCount;
        } else {
            result_.complete = false;
        }
        pool_.reset();
        stage_ = Stage::kGenerationEnd;
        return Advance::kRunEnded;
    }
    Pool::Slot* slot = pool_->next(kTimeSlice);
    if (slot == nullptr) {
        return Advance::kWaited;
    }
    cycles_ += slot->cycles;
    pool_->addTo(s_, generation);
    point_.run = static_cast<int>(pool_->added);
    if (setup_.listener != nullptr) {
        setup_.listener->showRunsDone(point_.run, s_.runCount);
    }
    // A stop told with a run's end ends the generation after that run, as it does in place.
    if (!s_.running) {
        result_.complete = result_.complete && point_.run == s_.runCount;
    }
    if (point_.run == s_.runCount || !s_.running) {
        pool_.reset();
        stage_ = Stage::kGenerationEnd;
    }
    return Advance::kRunEnded;
}

Advance Simulation::endGeneration() {
    GenerationSummary& generation = result_.generations.back().summary;
    averageFitness(s_);
    s_.totalFitness = sumFitness(s_) / s_.popSize;
    generation.totalFitness = s_.totalFitness;
    // The genes this generation ran with, before reproduction changes them.
    const GeneSummary exploration = summarizeGene(s_, 0);
    const GeneSummary communication = summarizeGene(s_, 1);
    generation.expGeneMean = exploration.mean;
    generation.expGeneSd = exploration.sd;
    generation.comGeneMean = communication.mean;
    generation.comGeneSd = communication.sd;
    if (setup_.listener != nullptr) {
        setup_.listener->showGenerationDone(generation);
    }
    reproducePopulation(s_);
    const bool last = point_.generation == s_.generationCount - 1;
    if (!s_.running) {
        result_.complete = result_.complete && last;
    }
    ++point_.generation;
    point_.run = 0;
    point_.cycle = 0;
    inPlace_ = true;
    stage_ = !s_.running || last ? Stage::kFinish : Stage::kGeneration;
    return Advance::kGenerationEnded;
}

Advance Simulation::finish() {
    s_.running = false;
    stage_ = Stage::kDone;
    DataFileHost& files = *setup_.files;
    if (s_.generationCount == 1) {
        result_.directory =
            findDataDirectory(files, result_.directory, [&](const std::filesystem::path& folder) {
                result_.dataFile = writeDataFile(s_, folder, files.decimalSeparator());
            });
        result_.fileStem = result_.dataFile.stem().string();
        files.dataFileWritten(result_.dataFile,
                              dataFileReport(result_.dataFile.filename().string(), result_.complete,
                                             s_.dataFileName + ".xls"),
                              result_.complete, s_.interrupted);
    } else {
        result_.fileStem = freeFileStem(result_.directory, s_.dataFileName);
    }
    return Advance::kFinished;
}

namespace {

std::string count(int n) {
    return std::to_string(n);
}

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
        bytes += workers * state + runs * sizeof(RunSlot) + (runsAheadOf(workers) + workers) * made;
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

SimulationResult runSimulation(SimState& s, SimulationSetup setup) {
    Simulation simulation(s, std::move(setup));
    while (simulation.advance() != Advance::kFinished) {
    }
    return simulation.result();
}

}  // namespace murelta
