// What a running simulation tells the program around it, one small interface per concern: the
// picture it draws, and the progress and results it reports. Where the data file goes is the
// third, DataFileHost (run/data_file.hpp). A host that has no picture or no listener passes
// none; nothing is done behind a default.
#pragma once

#include <cstdint>

namespace murelta {

struct GenerationSummary;

// The arena's picture, as the main window draws it.
class SimulationDrawing {
  public:
    virtual ~SimulationDrawing() = default;
    // Read at every generation start, to decide whether its runs are drawn (and so made one
    // after the other), and after every cycle, so that it can be switched during a run.
    virtual bool graphicsEnabled() = 0;
    // Draws the world at a run start, whether or not graphics are enabled.
    virtual void initGraphic() = 0;
    // Moves the agents' markers; called after every cycle while graphicsEnabled() holds.
    virtual void updateGraphic() = 0;
};

// Progress and results, as they come.
class SimulationListener {
  public:
    virtual ~SimulationListener() = default;
    // At the start of every cycle of a drawn or one-after-the-other run, with the run number
    // (1..runCount) and the cycle index.
    virtual void showProgress(std::int16_t run, std::int16_t runCount, std::int16_t cycle,
                              std::int16_t cyclesPerRun) = 0;
    // The number of messages in the queue, after every such cycle.
    virtual void showMessageCount(std::int16_t count) = 0;
    // After each run, in run order, with the number of runs of the generation done so far.
    virtual void showRunsDone(int done, int runCount) = 0;
    // After each generation, with its number, Total Fitness and genes, before the population
    // reproduces.
    virtual void showGenerationDone(const GenerationSummary& generation) = 0;
};

}  // namespace murelta
