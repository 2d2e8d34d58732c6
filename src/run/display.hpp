// What a running simulation tells a display and asks of it: progress, drawing, the time-sliced
// yield at which "Stop" and closing act, and the run-end message. The main window is one; the
// headless runner and the tests have their own. Every method does nothing by default.
#pragma once

#include <cstdint>

namespace murelta {

struct GenerationResult;

class RunDisplay {
  public:
    virtual ~RunDisplay() = default;

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
    // After each run, in run order, with the number of runs of the generation done so far. The
    // moment at which a stop ends a generation whose runs go to several threads.
    virtual void showRunsDone(int done, int runCount);
    // After each generation (numbered from 0), with its runs, Total Fitness and genes.
    virtual void showGenerationDone(int generation, const GenerationResult& result);
    // After every run while graphics are enabled and there is more than one run: the modal
    // "Run finished, click ok to start next run." message.
    virtual void runFinished();
};

}  // namespace murelta
