// A simulation that its caller advances: generations of runs of cycles on one SimState, moved on
// one step at a time, so that the caller owns the loop. The headless runner, sweeps and tests
// loop over it as fast as it goes; the desktop program advances it from its event loop in time
// slices, and pauses, steps and stops it between two calls.
#pragma once

#include <compare>
#include <memory>
#include <vector>

#include "network/network_state.hpp"
#include "run/run.hpp"

namespace murelta {

class DataFileHost;
class SimulationDrawing;
class SimulationListener;
class World;

// Where a simulation stands between two calls to advance(): the generation under way, the runs
// of it done, and the cycles done of the run under way (0 between two runs). It only grows, so
// that a change recorded at a point is made again at the same one.
struct SimulationPoint {
    int generation = 0;
    int run = 0;
    int cycle = 0;

    friend auto operator<=>(const SimulationPoint&, const SimulationPoint&) = default;
};

// A change of the network while a simulation ran, and the point at which it took effect.
struct NetworkChange {
    SimulationPoint at;
    NetworkState network;

    friend bool operator==(const NetworkChange&, const NetworkChange&) = default;
};

// What one call to advance() did.
enum class Advance {
    kCycle,            // a cycle of a run made in place
    kWaited,           // the runs on other threads took the time slice without one ending
    kRunEnded,         // a run ended and was added to the results
    kGenerationEnded,  // a generation ended: fitness averaged, the population reproduced
    kFinished,         // the simulation ended (completed or stopped) and its data file is written
};

struct SimulationSetup {
    explicit SimulationSetup(DataFileHost& dataFiles) : files(&dataFiles) {}

    DataFileHost* files;                     // where the data file goes
    SimulationDrawing* drawing = nullptr;    // none: nothing is drawn, graphics off
    SimulationListener* listener = nullptr;  // none: nobody is told
    World* world = nullptr;                  // none: the engine; another world runs in place
    int threads = 1;
    // Runs that are not drawn go to worker threads also for one thread, so that a network edited
    // during a generation takes effect at the next one whatever the thread count.
    bool editsWaitForTheNextGeneration = false;
    // Network changes to make at their points, as a record gives them.
    std::vector<NetworkChange> changes;
};

class Simulation {
  public:
    // The start of "Start": checks (also that the data file's folder can be written), reseeds,
    // creates the population. Throws Error, before anything runs, as checkCanStart does and
    // when the memory would not allow even one thread.
    Simulation(SimState& s, SimulationSetup setup);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Moves on by one step and says what happened; kFinished once it is over, then again at
    // every call. An Error ends the simulation and is thrown on.
    Advance advance();
    // After kRunEnded: a drawn simulation of several runs waits here for the user ("Run
    // finished, click ok to start next run.") before the next call.
    bool runEndToAcknowledge() const { return acknowledge_; }
    // "Stop": the run under way and its generation end at the next call, the data file is
    // written, and the simulation reports itself incomplete.
    void stop();
    bool finished() const;

    SimulationPoint point() const { return point_; }
    // The threads the runs go to: as asked, or fewer when the memory allows no more.
    int threads() const { return result_.threads; }
    // Cycles run so far, on every thread; runs made on other threads count when added.
    long cycles() const { return cycles_; }
    // Whether the generation under way is made one run after the other on `s`.
    bool inPlace() const { return inPlace_; }

    // The network in `s` was edited: the change takes effect at the next call when the runs
    // are made in place, else at the next generation, and is recorded with that point.
    void networkChanged();
    // The changes made while it ran, in order, with their points; a record keeps them.
    const std::vector<NetworkChange>& changes() const { return changes_; }

    const SimulationResult& result() const { return result_; }

  private:
    struct Pool;
    enum class Stage { kGeneration, kRun, kCycles, kPool, kGenerationEnd, kFinish, kDone };

    void takeChanges();
    void beginGeneration();
    void beginRun();
    Advance cycle();
    Advance endRun(bool complete);
    Advance poolStep();
    Advance endGeneration();
    Advance finish();

    SimState& s_;
    SimulationSetup setup_;
    std::unique_ptr<World> engine_;
    World* world_ = nullptr;
    SimulationResult result_;
    Stage stage_ = Stage::kGeneration;
    SimulationPoint point_;
    int run_ = 0;  // the run under way, from 1, while runs are made in place
    bool inPlace_ = true;
    bool acknowledge_ = false;
    bool edited_ = false;
    long cycles_ = 0;
    std::size_t nextChange_ = 0;
    std::vector<NetworkChange> changes_;
    std::unique_ptr<Pool> pool_;
};

// The whole simulation in one call: advance() until it is finished.
SimulationResult runSimulation(SimState& s, SimulationSetup setup);

}  // namespace murelta
