// murelta-batch: runs a simulation without windows, from the same parameters as the main
// window, and writes the same data file.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "run/display.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onInterrupt(int) {
    stopRequested = 1;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

// Reports progress on a terminal and stops like "Stop" on Ctrl-C.
class BatchHost : public murelta::RunDisplay, public murelta::DataFileHost {
  public:
    BatchHost(murelta::SimState& s, std::filesystem::path directory, bool showGenes)
        : s_(s),
          directory_(std::move(directory)),
          progress_(isatty(STDERR_FILENO) != 0),
          showGenes_(showGenes) {}

    void showProgress(std::int16_t run, std::int16_t runCount, std::int16_t,
                      std::int16_t) override {
        ++cycles_;
        if (!progress_ || (cycles_ & 0xFFF) != 0) {
            return;
        }
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - lastShown_).count();
        if (seconds < 0.25) {
            return;
        }
        const double rate = static_cast<double>(cycles_ - cyclesShown_) / seconds;
        std::fprintf(stderr, "\rgeneration %d/%d  runs done %d/%d  %.0f cycles/s   ",
                     generation_ + 1, static_cast<int>(s_.generationCount), run - 1,
                     static_cast<int>(runCount), rate);
        std::fflush(stderr);
        lastShown_ = now;
        cyclesShown_ = cycles_;
    }

    void showTotalFitness(double totalFitness) override {
        clearProgress();
        std::cout << "Total Fitness: " << murelta::formatNumber(totalFitness) << std::endl;
        if (showGenes_) {
            // The genes the generation just finished was run with.
            double exploration = 0.0;
            double communication = 0.0;
            for (const murelta::Individual& individual : s_.population) {
                exploration += individual.genes[0];
                communication += individual.genes[1];
            }
            const auto count = static_cast<double>(s_.population.size());
            std::cout << "Mean genes: exploration " << murelta::formatNumber(exploration / count)
                      << ", communication " << murelta::formatNumber(communication / count)
                      << std::endl;
        }
        ++generation_;
    }

    void yield() override {
        if (stopRequested != 0) {
            s_.running = false;
        }
    }

    std::filesystem::path dataDirectory() override { return directory_; }

    void dataFileWritten(const std::filesystem::path& path, const std::string&, bool complete,
                         bool) override {
        clearProgress();
        std::cout << "Data file written: " << path.string() << std::endl;
        if (!complete) {
            std::cout << "The simulation was interrupted: the data are not complete." << std::endl;
        }
    }

  private:
    using Clock = std::chrono::steady_clock;

    void clearProgress() {
        if (progress_ && cyclesShown_ > 0) {
            std::fprintf(stderr, "\r%60s\r", "");
            cyclesShown_ = 0;
        }
    }

    murelta::SimState& s_;
    std::filesystem::path directory_;
    bool progress_;
    bool showGenes_;
    int generation_ = 0;
    long cycles_ = 0;
    long cyclesShown_ = 0;
    Clock::time_point lastShown_ = Clock::now();
};

}  // namespace

int main(int argc, char** argv) {
    murelta::Params p;
    std::string preset;
    std::string label(murelta::kDefaultLabel);
    std::string out = ".";
    bool showGenes = false;

    CLI::App app{"Runs a Murelta simulation without windows and writes its data file."};
    app.option_defaults()->always_capture_default();
    app.add_option("--agents", p.agents, "Group size");
    app.add_option("--retina", p.retina, "Retina radius");
    app.add_option("--width", p.width, "Arena width");
    app.add_option("--height", p.height, "Arena height");
    app.add_option("--cycles", p.cycles, "Cycles per run");
    app.add_option("--foods", p.foods, "Number of foods (targets)");
    app.add_option("--food-size", p.foodSize, "Foods size: a food covers (size + 1)^2 cells");
    app.add_option("--p", p.pConnection, "P (connection) of the random network");
    app.add_option("--runs", p.runs, "Runs per generation");
    app.add_option("--generations", p.generations, "Generations (the data file is written for 1)");
    app.add_option("--com-cost", p.comCost, "Communication cost");
    app.add_option("--exp-cost", p.expCost, "Exploration cost");
    app.add_option("--com-radius", p.commRadius, "Communication radius");
    app.add_option("--seed", p.seed, "Initial seed");
    app.add_flag("--first-out", p.firstOut, "End a run when the first agent is out");
    app.add_flag("--last-out", p.lastOut, "Mark the file name with _lOut");
    app.add_flag("--same-start", p.sameStart, "All agents start on one cell");
    app.add_flag("--exp-cost-on", p.expCostOn, "Charge the exploration cost");
    app.add_flag("--com-cost-on", p.comCostOn, "Charge the communication cost");
    app.add_flag("--exp-gene", p.expGeneOn, "Exploration driven by the exploration gene");
    app.add_flag("--com-gene", p.comGeneOn, "Communication driven by the communication gene");
    app.add_flag("--show-genes", showGenes,
                 "Print the population's mean genes after each generation");
    app.add_option("--label", label, "Name part of the data file");
    app.add_option("--preset", preset, "Paper preset applied to the network")
        ->check(CLI::IsMember(
            std::vector<std::string>(murelta::kPresetNames.begin(), murelta::kPresetNames.end())));
    app.add_option("--out", out, "Folder the data file is written to")
        ->check(CLI::ExistingDirectory);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }

    murelta::SimState s;
    try {
        // The start checks that need no structures come first, so that parameters that could
        // never run are refused before anything large is allocated.
        murelta::readParams(s, p);
        murelta::checkRunParameters(s);
        // What "Set parameters" does, then the designer's preset.
        murelta::setParameters(s, p, label);
        if (!preset.empty()) {
            murelta::applyPreset(s, preset, p.agents);
        }
        murelta::checkCanStart(s);
        if (s.generationCount == 1) {
            murelta::checkDataFileWritable(s, out);
        }
    } catch (const murelta::Error& e) {
        std::cerr << "murelta-batch: " << e.what() << std::endl;
        return 2;
    }

    BatchHost host(s, out, showGenes);
    std::signal(SIGINT, onInterrupt);
    try {
        murelta::runSimulation(s, host, host);
    } catch (const murelta::Error& e) {
        std::cerr << "murelta-batch: " << e.what() << std::endl;
        return 1;
    }
    return stopRequested != 0 ? 130 : 0;
}
