// A host for tests of whole simulations: every concern of a simulation's host in one class that
// does nothing unless a test says otherwise, and the loop that drives a simulation as the
// windows do, with the window's turn (yield) after every step.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "run/data_file.hpp"
#include "run/hosts.hpp"
#include "run/run.hpp"
#include "run/simulation.hpp"

namespace murelta::fixtures {

class TestHost : public SimulationDrawing, public SimulationListener, public DataFileHost {
  public:
    // SimulationDrawing
    bool graphicsEnabled() override { return false; }
    void initGraphic() override {}
    void updateGraphic() override {}
    // SimulationListener
    void showProgress(std::int16_t, std::int16_t, std::int16_t, std::int16_t) override {}
    void showMessageCount(std::int16_t) override {}
    void showRunsDone(int, int) override {}
    void showGenerationDone(const GenerationSummary& result) override {
        showTotalFitness(result.totalFitness);
    }
    // DataFileHost
    std::filesystem::path dataDirectory() override { return "."; }
    char decimalSeparator() override { return '.'; }
    void dataFileWritten(const std::filesystem::path&, const std::string&, bool, bool) override {}
    std::optional<std::filesystem::path> otherDataDirectory(const std::string&) override {
        return std::nullopt;
    }
    // What the window does around the steps.
    virtual void showTotalFitness(double) {}
    virtual void setRunningControls(bool) {}
    virtual void yield() {}
    virtual void runFinished() {}
};

// `host` as every host of a simulation on `threads` threads.
inline SimulationSetup setupFor(TestHost& host, int threads = 1, World* world = nullptr) {
    SimulationSetup setup(host);
    setup.drawing = &host;
    setup.listener = &host;
    setup.world = world;
    setup.threads = threads;
    return setup;
}

// The simulation of `s` to its end with `host` as every host, and the window's turns between
// its steps.
inline SimulationResult runWith(SimState& s, TestHost& host, int threads = 1,
                                World* world = nullptr) {
    Simulation simulation(s, setupFor(host, threads, world));
    host.setRunningControls(true);
    while (simulation.advance() != Advance::kFinished) {
        if (simulation.runEndToAcknowledge()) {
            host.runFinished();
        }
        host.yield();
    }
    host.setRunningControls(false);
    return simulation.result();
}

}  // namespace murelta::fixtures
