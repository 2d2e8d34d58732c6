// Whole simulations on the engine and on the plain full-scan model, in the same process, with
// cycles per second for each and the engine's speed-up over the plain model at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "network/presets.hpp"
#include "plain_model.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "run/simulation.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {
namespace {

struct Case {
    const char* name;
    Params params;
    const char* preset;  // nullptr: keep the random network of "Set parameters"
};

// Runs are cut to a few so that the plain model finishes an iteration in seconds; cycles per
// second do not depend on how many runs there are.
std::vector<Case> cases() {
    Params defaults;
    defaults.runs = "3";

    Params tab10b = defaults;
    tab10b.agents = "50";
    Params tab11c = tab10b;

    Params costs = defaults;
    costs.runs = "2";
    costs.expGeneOn = true;
    costs.comGeneOn = true;
    costs.expCostOn = true;
    costs.comCostOn = true;

    // The cost of perception against the retina, and of a turn against the group, on the
    // defaults, which have no links.
    const auto withRetina = [&](const char* retina, const char* runs) {
        Params p = defaults;
        p.retina = retina;
        p.runs = runs;
        return p;
    };
    const auto withAgents = [&](const char* agents, const char* runs) {
        Params p = defaults;
        p.agents = agents;
        p.runs = runs;
        return p;
    };

    // The wider the retina, the sooner the agents reach a target and the shorter a run: more
    // runs keep some thousands of cycles to a simulation, so that writing its data file does
    // not weigh on the cycles. The plain model's cycle grows with the square of the group: one
    // run keeps 200 short.
    return {{"defaults", defaults, nullptr},
            {"retina 15", withRetina("15", "8"), nullptr},
            {"retina 30", withRetina("30", "30"), nullptr},
            {"retina 60", withRetina("60", "100"), nullptr},
            {"50 agents no links", withAgents("50", "3"), nullptr},
            {"200 agents no links", withAgents("200", "1"), nullptr},
            {"50 agents Tab 10b", tab10b, "Tab 10b"},
            {"50 agents Tab 11c", tab11c, "Tab 11c"},
            {"genes and costs", costs, nullptr}};
}

SimState prepare(const Case& c) {
    SimState s;
    setParameters(s, c.params, "bench");
    if (c.preset != nullptr) {
        applyPreset(s, c.preset, c.params.agents);
    }
    return s;
}

// Keeps the data files out of the way: each is written into a folder of the benchmark's own and
// removed at once, so that finding a free name never has to pass the files of earlier
// iterations.
class BenchFolder : public DataFileHost {
  public:
    BenchFolder() {
        directory_ =
            std::filesystem::temp_directory_path() /
            ("murelta_bench_" + std::to_string(::getpid()) + "_" + std::to_string(++instances_));
        std::filesystem::create_directories(directory_);
    }
    ~BenchFolder() override {
        std::error_code error;
        std::filesystem::remove_all(directory_, error);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::filesystem::path dataDirectory() override { return directory_; }
    char decimalSeparator() override { return '.'; }
    void dataFileWritten(const std::filesystem::path& path, const std::string&, bool,
                         bool) override {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
    std::optional<std::filesystem::path> otherDataDirectory(const std::string&) override {
        return std::nullopt;
    }

  private:
    static inline int instances_ = 0;
    std::filesystem::path directory_;
};

// A whole simulation of `s` on `world` (the engine when null); returns the cycles it ran.
long simulate(SimState& s, World* world) {
    BenchFolder folder;
    SimulationSetup setup(folder);
    setup.world = world;
    Simulation simulation(s, std::move(setup));
    while (simulation.advance() != Advance::kFinished) {
    }
    return simulation.cycles();
}

// Both sides start every iteration from the same prepared state; a simulation resets all it
// depends on, so the state is not copied between iterations.
void engineBench(benchmark::State& state, const Case& c) {
    SimState s = prepare(c);
    long cycles = 0;
    for (auto _ : state) {
        cycles += simulate(s, nullptr);
    }
    state.counters["cycles_per_s"] =
        benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate);
}

void plainBench(benchmark::State& state, const Case& c) {
    plain::PlainState p(prepare(c));
    plain::PlainWorld world(p);
    long cycles = 0;
    for (auto _ : state) {
        cycles += simulate(p.s, &world);
    }
    state.counters["cycles_per_s"] =
        benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate);
}

// Shows the usual table and keeps each benchmark's cycles per second for the summary.
class RateReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            const auto counter = run.counters.find("cycles_per_s");
            // With repetitions the median stands for the benchmark; it comes after the
            // repetitions themselves.
            const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (!run.error_occurred && usable && counter != run.counters.end()) {
                rates[run.run_name.str()] = counter->second.value;
            }
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace
}  // namespace murelta

int main(int argc, char** argv) {
    using namespace murelta;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const std::vector<Case> all = cases();
    for (const Case& c : all) {
        benchmark::RegisterBenchmark((std::string("engine/") + c.name).c_str(), engineBench, c)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("plain/") + c.name).c_str(), plainBench, c)
            ->Unit(benchmark::kMillisecond);
    }
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    bool header = false;
    for (const Case& c : all) {
        const auto engine = reporter.rates.find(std::string("engine/") + c.name);
        const auto plainRate = reporter.rates.find(std::string("plain/") + c.name);
        if (engine == reporter.rates.end() || plainRate == reporter.rates.end()) {
            continue;
        }
        if (!header) {
            std::printf("\n%-20s %16s %16s %10s\n", "case", "engine cycles/s", "plain cycles/s",
                        "ratio");
            header = true;
        }
        std::printf("%-20s %16.0f %16.0f %9.1fx\n", c.name, engine->second, plainRate->second,
                    engine->second / plainRate->second);
    }
    // How the engine's cycle grows with the retina and with the group.
    const auto rate = [&](const char* name) {
        const auto found = reporter.rates.find(std::string("engine/") + name);
        return found == reporter.rates.end() ? 0.0 : found->second;
    };
    const double defaults = rate("defaults");
    if (defaults > 0.0) {
        for (const char* name : {"retina 15", "retina 30", "retina 60"}) {
            if (rate(name) > 0.0) {
                std::printf("engine cycles/s, %s against retina 5: %.2fx\n", name,
                            rate(name) / defaults);
            }
        }
        for (const char* name : {"50 agents no links", "200 agents no links"}) {
            if (rate(name) > 0.0) {
                std::printf("engine time per cycle, %s against 10: %.1fx\n", name,
                            defaults / rate(name));
            }
        }
    }
    benchmark::Shutdown();
    return 0;
}
