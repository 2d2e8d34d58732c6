// How much a second thread speeds up whole simulations: the defaults (100 runs) with the runs
// of a generation on 1 and on N threads, and the sweep of the 18 presets with 10 and 50
// agents (20 runs each) with its configurations on 1 and on N threads.
//   parallel_bench [N] [repetitions]   (defaults: 2 threads, 3 repetitions; medians printed)
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "experiment/experiment.hpp"
#include "experiment/sweep.hpp"
#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/simulation.hpp"
#include "sim/state.hpp"

namespace {

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The two ways timed in turns, so that a machine whose speed drifts (a shared virtual one)
// slows both alike; the speed-up is the median of the pairs' ratios.
struct Pair {
    double one;
    double many;
    double speedUp;
};

Pair timeInTurns(const std::function<void(int)>& work, int threads, int repetitions) {
    std::vector<double> ones;
    std::vector<double> manys;
    std::vector<double> ratios;
    for (int i = 0; i < repetitions; ++i) {
        ones.push_back(seconds([&] { work(1); }));
        manys.push_back(seconds([&] { work(threads); }));
        ratios.push_back(ones.back() / manys.back());
    }
    return {median(ones), median(manys), median(ratios)};
}

}  // namespace

int main(int argc, char** argv) {
    const int threads = argc > 1 ? std::atoi(argv[1]) : 2;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::filesystem::path scratch = std::filesystem::temp_directory_path() /
                                          ("murelta-parallel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);

    const auto defaults = [&](int n) {
        murelta::SimState s;
        murelta::applyExperiment(s, murelta::Experiment{});
        murelta::DataFolder folder(scratch);
        murelta::SimulationSetup setup(folder);
        setup.threads = n;
        murelta::runSimulation(s, std::move(setup));
    };
    murelta::Experiment sweep;
    sweep.params.runs = "20";
    sweep.sweep.push_back({"agents", {"10", "50"}});
    sweep.sweep.push_back({"preset", {}});
    for (std::string_view name : murelta::kPresetNames) {
        sweep.sweep.back().values.emplace_back(name);
    }
    int round = 0;
    const auto sweepOn = [&](int n) {
        murelta::SweepProgress quiet;
        murelta::runSweep(sweep, scratch / ("sweep-" + std::to_string(++round)), n, {}, quiet);
    };

    std::printf("%-40s %10s %10s %8s\n", "Case", "1 thread", "threads", "speed-up");
    const Pair runs = timeInTurns(defaults, threads, repetitions);
    std::printf("%-40s %9.3fs %9.3fs %7.2fx\n", "Defaults, 100 runs", runs.one, runs.many,
                runs.speedUp);
    const Pair configurations = timeInTurns(sweepOn, threads, repetitions);
    std::printf("%-40s %9.3fs %9.3fs %7.2fx\n", "Sweep, 36 configurations x 20 runs",
                configurations.one, configurations.many, configurations.speedUp);
    std::printf("(%d threads; medians of %d, timed in turns)\n", threads, repetitions);
    std::filesystem::remove_all(scratch);
    return 0;
}
