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
#include "run/display.hpp"
#include "run/run.hpp"
#include "sim/state.hpp"

namespace {

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(const std::function<void()>& work, int repetitions) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        times.push_back(seconds(work));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

struct Folder : murelta::DataFileHost {
    std::filesystem::path path;
    std::filesystem::path dataDirectory() override { return path; }
};

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
        murelta::RunDisplay display;
        Folder folder;
        folder.path = scratch;
        murelta::runSimulation(s, display, folder, n);
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
    const double one = median([&] { defaults(1); }, repetitions);
    const double many = median([&] { defaults(threads); }, repetitions);
    std::printf("%-40s %9.3fs %9.3fs %7.2fx\n", "Defaults, 100 runs", one, many, one / many);
    const double sweepOne = median([&] { sweepOn(1); }, repetitions);
    const double sweepMany = median([&] { sweepOn(threads); }, repetitions);
    std::printf("%-40s %9.3fs %9.3fs %7.2fx\n", "Sweep, 36 configurations x 20 runs", sweepOne,
                sweepMany, sweepOne / sweepMany);
    std::printf("(%d threads, medians of %d)\n", threads, repetitions);
    std::filesystem::remove_all(scratch);
    return 0;
}
