// The run driver: a whole simulation (generations of runs of cycles) on one SimState, with
// everything it needs from a user interface behind RunHost.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace murelta {

struct Agent;
struct Individual;
struct SimState;

// What the driver asks of the program that runs it: the main window, the headless runner, or a
// test. Every method has a do-nothing default.
class RunHost {
  public:
    virtual ~RunHost() = default;

    // Called at the start of every cycle with the run number (1..runCount) and cycle index.
    virtual void showProgress(std::int16_t run, std::int16_t runCount, std::int16_t cycle,
                              std::int16_t cyclesPerRun);
    // The number of messages in the queue, after every cycle's yield.
    virtual void showMessageCount(std::int16_t count);
    // The mean fitness of a finished generation.
    virtual void showTotalFitness(double totalFitness);
    // true at every run start: Start and Settings disabled, Stop enabled; false at the end.
    virtual void setRunningControls(bool running);
    // Draws the world at a run start, whether or not graphics are enabled.
    virtual void initGraphic();
    // Moves the agents' markers; called every cycle while graphicsEnabled() holds.
    virtual void updateGraphic();
    // Read afresh every cycle, so it can be switched during a simulation.
    virtual bool graphicsEnabled();
    // Once per cycle: the moment at which Stop and closing can act, by clearing
    // SimState::running.
    virtual void yield();
    // After every run while graphics are enabled and there is more than one run: the modal
    // "Run finished, click ok to start next run." message.
    virtual void runFinished();
    // Where the data file goes and which decimal separator it uses.
    virtual std::filesystem::path dataDirectory();
    virtual char decimalSeparator();
    // The data file was written to `path`; `message` is the report to show. `interrupted`: the
    // main window was closed during the simulation.
    virtual void dataFileWritten(const std::filesystem::path& path, const std::string& message,
                                 bool complete, bool interrupted);
    // The data file cannot be written (`error` says which and why), found before the first run
    // or when writing it. Returns another folder to try, or nothing to give up; the default
    // gives up, and the error ends the command.
    virtual std::optional<std::filesystem::path> otherDataDirectory(const std::string& error);
};

// Gives an agent an individual: its index and its genes scaled to 0..255/256.
void assignIndividual(Agent& agent, const Individual& individual, std::int16_t index);

// Throws Error, naming the problem, when a simulation with these parameters could not run to
// its end: no agents or generations, seed + runs or cycles beyond 16 bits, a cost charged per
// cycle with no cycles, or a target larger than the arena. Needs no structures, so a runner
// can check before it allocates them.
void checkRunParameters(const SimState& s);

// checkRunParameters, and the structures must match the parameters (requireStructures).
void checkCanStart(const SimState& s);

// The whole "Start" command: checks (also, for a single generation, that the data file can be
// written), creates the population, runs every generation, run and
// cycle, and for a single generation writes the data file. Stops at the end of the current
// run and generation once SimState::running is cleared.
void runSimulation(SimState& s, RunHost& host);

}  // namespace murelta
