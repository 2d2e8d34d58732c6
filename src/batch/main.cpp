// murelta-batch: runs a simulation without windows, from the same parameters as the main
// window, and writes the same data file.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "batch/calibrate.hpp"
#include "batch/options.hpp"
#include "evolution/genetic.hpp"
#include "experiment/experiment.hpp"
#include "experiment/record.hpp"
#include "experiment/sweep.hpp"
#include "network/presets.hpp"
#include "run/data_file.hpp"
#include "run/hosts.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "run/simulation.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/parameter_table.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

// Ctrl-C, and SIGTERM (what `kill` and a cluster's time limit send), stop like "Stop": the
// simulation ends after the current run and leaves its data file and record, marked
// incomplete. A second one ends the program at once.
void onInterrupt(int) {
    stopRequested = 1;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

// A sweep stops at Ctrl-C or SIGTERM as a simulation does, through a stop token: the signal only
// sets a flag, which this thread, polling it, hands on, since requesting a stop is no work for a
// signal handler.
class InterruptWatch {
  public:
    InterruptWatch() {
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        poll_ = std::jthread([this](std::stop_token done) {
            while (!done.stop_requested()) {
                if (stopRequested != 0) {
                    stop_.request_stop();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    std::stop_token token() const { return stop_.get_token(); }

  private:
    std::stop_source stop_;
    std::jthread poll_;  // last, so that it is stopped and joined before stop_ goes
};

// The exit status of a simulation stopped by a signal, as a shell reports one ended by SIGINT.
constexpr int kExitInterrupted = 130;
using murelta::batch::kExitRefused;
// collect, and a sweep that collects, found configurations missing or damaged.
constexpr int kExitMissing = 3;

// A refusal of the options and the file, as a user should read it: a parameter given as an
// option is named as the option, since the text the options were checked as is nobody's file.
std::string refusal(const murelta::ExperimentError& e, const std::string& experimentFile,
                    const std::vector<std::string>& given) {
    if (std::find(given.begin(), given.end(), e.key()) != given.end()) {
        return "--" + e.key() + ": " + e.problem();
    }
    if (!experimentFile.empty()) {
        return experimentFile + " with the options given" +
               (e.key().empty() ? std::string() : ", " + e.key()) + ": " + e.problem();
    }
    return (e.key().empty() ? std::string() : "--" + e.key() + ": ") + e.problem();
}

// Reports progress on a terminal and stops like "Stop" on Ctrl-C.
class BatchHost : public murelta::SimulationListener, public murelta::DataFileHost {
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

    // Runs made on several threads report only their end.
    void showRunsDone(int done, int runCount) override {
        if (!progress_) {
            return;
        }
        const auto now = Clock::now();
        if (std::chrono::duration<double>(now - lastShown_).count() < 0.25) {
            return;
        }
        std::fprintf(stderr, "\rgeneration %d/%d  runs done %d/%d   ", generation_ + 1,
                     static_cast<int>(s_.generationCount), done, runCount);
        std::fflush(stderr);
        lastShown_ = now;
        cyclesShown_ = std::max(cyclesShown_, 1L);
    }

    void showMessageCount(std::int16_t) override {}

    void showGenerationDone(const murelta::GenerationSummary& result) override {
        clearProgress();
        std::cout << "Total Fitness: " << murelta::formatNumber(result.totalFitness) << std::endl;
        if (showGenes_) {
            // The genes the generation just finished was run with.
            std::cout << "Mean genes: exploration "
                      << murelta::formatNumber(murelta::summarizeGene(s_, 0).mean)
                      << ", communication "
                      << murelta::formatNumber(murelta::summarizeGene(s_, 1).mean) << std::endl;
        }
        ++generation_;
    }

    std::filesystem::path dataDirectory() override { return directory_; }
    char decimalSeparator() override { return '.'; }
    std::optional<std::filesystem::path> otherDataDirectory(const std::string&) override {
        return std::nullopt;
    }

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

// A sweep's progress: a bar redrawn on a terminal, or a line at most every 10 seconds in a log.
class SweepReport : public murelta::SweepProgress {
  public:
    SweepReport() : terminal_(isatty(STDERR_FILENO) != 0) {}

    void show(std::size_t done, std::size_t configurations, long runs, long cycles) override {
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const bool last = done == configurations;
        if (!last &&
            std::chrono::duration<double>(now - shown_).count() < (terminal_ ? 0.25 : 10.0)) {
            return;
        }
        shown_ = now;
        const double rate = seconds > 0 ? static_cast<double>(cycles) / seconds : 0.0;
        if (!started_) {
            started_ = true;
            foundDone_ = done;  // finished before this start: they do not count for the pace
        }
        const std::size_t fresh = done - std::min(done, foundDone_);
        const std::size_t left = configurations - done;
        const double eta =
            fresh > 0 ? seconds / static_cast<double>(fresh) * static_cast<double>(left) : 0.0;
        constexpr int kWidth = 30;
        const int filled =
            configurations > 0 ? static_cast<int>(kWidth * done / configurations) : kWidth;
        std::fprintf(
            stderr, "%s[%s%s] %zu/%zu configurations  %ld runs  %.0f cycles/s  %s%s",
            terminal_ ? "\r" : "", std::string(static_cast<std::size_t>(filled), '#').c_str(),
            std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), done,
            configurations, runs, rate,
            fresh > 0 ? ("about " + std::to_string(std::lround(eta)) + " s left").c_str() : "",
            terminal_ && !last ? "   " : "\n");
        std::fflush(stderr);
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool terminal_;
    bool started_ = false;
    std::size_t foundDone_ = 0;
    Clock::time_point start_ = Clock::now();
    Clock::time_point shown_{};
};

// Says which configurations are missing from a collected sweep, and why the damaged ones were
// left out; returns the exit status.
int reportMissing(const murelta::CollectReport& report, const std::string& dir) {
    for (const std::string& damaged : report.damaged) {
        std::cerr << "murelta-batch: damaged " << damaged << std::endl;
    }
    for (const std::string& note : report.notes) {
        std::cerr << "murelta-batch: " << note << std::endl;
    }
    const std::vector<std::size_t>& missing = report.missing;
    if (missing.empty()) {
        std::cout << "Tables written in " << dir << ": runs.csv, generations.csv, summary.csv";
        for (const std::string& table : report.written) {
            std::cout << ", " << table;
        }
        std::cout << std::endl;
        return 0;
    }
    std::cout << "Tables written in " << dir << " without " << missing.size()
              << " missing configuration(s):";
    for (const std::size_t index : missing) {
        std::cout << ' ' << index;
    }
    std::cout << std::endl;
    return kExitMissing;
}

}  // namespace

int main(int argc, char** argv) {
    // The options are read into the texts and flags of one experiment; an option given on the
    // command line overrides what an experiment file says.
    murelta::batch::SimulationOptions options;

    // Named, so that the help (and the manual page made from it) names the program, not the
    // path it was started by.
    CLI::App app{
        "Runs a Murelta simulation without windows and writes its data file and its "
        "record.",
        "murelta-batch"};
    app.option_defaults()->always_capture_default();
    app.set_help_all_flag("--help-all", "Print this help with every subcommand's and exit");
    // Registering every option and subcommand takes CLI11 longer than a short simulation takes:
    // a command line of only a simulation's options gets just those, and no subcommands.
    const auto named = murelta::batch::simulationOptionsNamed(argc, argv);
    murelta::batch::addSimulationOptions(app, options, named);
    int& threads = options.threads;
    const std::string& experimentFile = options.experimentFile;
    const std::string& saveFile = options.saveFile;
    const std::string& out = options.out;

    std::string sweepFile;
    std::string sweepOut;
    std::string shardText = "0/1";
    std::string calibrationFile;
    std::string calibrationOut;
    std::string collectDir;
    CLI::App* sweepCommand = nullptr;
    CLI::App* calibrateCommand = nullptr;
    CLI::App* collectCommand = nullptr;
    if (!named) {
        sweepCommand =
            app.add_subcommand("sweep", "Runs every configuration of an experiment file's [sweep]");
        sweepCommand->add_option("file", sweepFile, "Experiment file with a [sweep] table")->required();
        sweepCommand->add_option("--out", sweepOut, "Folder of the sweep (made when missing)")
            ->required();
        sweepCommand
            ->add_option("--threads", threads,
                         "Threads the configurations go to (by default one per core)")
            ->check(CLI::Range(1, 1024))
            ->default_str("");
        sweepCommand->add_option("--shard", shardText,
                                 "K/N: run only the configurations whose number modulo N is K");
        calibrateCommand = app.add_subcommand(
            "calibrate",
            "Finds the free parameters of an experiment file's [calibration] that reproduce its "
            "targets");
        calibrateCommand
            ->add_option("file", calibrationFile, "Experiment file with a [calibration] table")
            ->required();
        calibrateCommand
            ->add_option("--out", calibrationOut, "Folder of the calibration (made when missing)")
            ->required();
        calibrateCommand
            ->add_option("--threads", threads,
                         "Threads the candidates' runs go to (by default one per core)")
            ->check(CLI::Range(1, 1024))
            ->default_str("");
        collectCommand = app.add_subcommand(
            "collect", "Builds the tables of a sweep folder from its finished configurations");
        collectCommand->add_option("dir", collectDir, "Folder of the sweep")->required();
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitRefused;
    }
    if (threads == 0) {
        threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    }

    if (collectCommand != nullptr && collectCommand->parsed()) {
        try {
            return reportMissing(murelta::collectSweep(collectDir), collectDir);
        } catch (const std::exception& e) {
            std::cerr << "murelta-batch: " << e.what() << std::endl;
            return kExitRefused;
        }
    }
    if (calibrateCommand != nullptr && calibrateCommand->parsed()) {
        return murelta::batch::calibrate({calibrationFile, calibrationOut, threads}, argv);
    }
    if (sweepCommand != nullptr && sweepCommand->parsed()) {
        try {
            const murelta::Shard shard = murelta::parseShard(shardText);
            const murelta::Experiment sweep = murelta::readExperiment(sweepFile);
            SweepReport report;
            const InterruptWatch watch;
            try {
                murelta::runSweep(sweep, sweepOut, threads, shard, report, watch.token());
            } catch (const murelta::Stopped&) {
                std::cerr << "murelta-batch: stopped; the configurations finished are kept in "
                          << sweepOut << ", and the same command goes on with the others."
                          << std::endl;
                return kExitInterrupted;
            }
            // One task of several leaves the tables to `collect`, once all have finished.
            return shard.count == 1 ? reportMissing(murelta::collectSweep(sweepOut), sweepOut) : 0;
        } catch (const std::exception& e) {
            std::cerr << "murelta-batch: " << e.what() << std::endl;
            return kExitRefused;
        }
    }

    murelta::SimState s;
    murelta::Experiment experiment;
    std::optional<murelta::Record> recording;
    std::vector<std::string> given;
    try {
        if (murelta::batch::given(options.experimentOption)) {
            experiment = murelta::readExperiment(experimentFile);
        }
        for (const auto& [option, parameter] : options.texts) {
            if (option->count() > 0) {
                experiment.params.*(parameter->member) = options.typed.*(parameter->member);
                given.emplace_back(parameter->key);
            }
        }
        for (const auto& [option, parameter] : options.flags) {
            if (option->count() > 0) {
                experiment.params.*(parameter->member) = true;
                given.emplace_back(parameter->key);
            }
        }
        if (murelta::batch::given(options.labelOption)) {
            experiment.label = options.label;
            given.emplace_back("label");
        }
        if (murelta::batch::given(options.presetOption)) {
            experiment.preset = options.preset;
            given.emplace_back("preset");
        }
        // The same checks as for a file: what is written can be run.
        try {
            experiment = murelta::checkedAsFile(experiment, "the options");
        } catch (const murelta::ExperimentError& e) {
            throw murelta::Error(refusal(e, experimentFile, given));
        }
        if (!saveFile.empty()) {
            murelta::writeExperiment(saveFile, experiment);
            std::cout << "Experiment written: " << saveFile << std::endl;
            return 0;
        }
        if (experiment.calibration) {
            throw murelta::Error(experimentFile +
                                 " holds a [calibration]; run it with murelta-batch calibrate " +
                                 experimentFile + " --out FOLDER.");
        }
        if (murelta::isSweep(experiment)) {
            throw murelta::Error(
                experimentFile +
                " holds a [sweep] or a [design]; run its configurations with murelta-batch "
                "sweep " +
                experimentFile + " --out FOLDER.");
        }
        murelta::applyExperiment(s, experiment);
        murelta::checkCanStart(s);
        std::error_code error;
        std::filesystem::create_directories(out, error);
        if (error) {
            throw murelta::Error("--out: cannot make the folder " + out + ": " + error.message() +
                                 ".");
        }
        murelta::checkDataFileWritable(s, out);
        // Each thread works on its own copy of the agents and the arena: as many go as the
        // memory allows.
        recording.emplace(s, experiment);
        const int fit = recording->threadsFor(s, threads);
        if (fit < threads) {
            std::cout << "Running on " << fit << " of the " << threads
                      << " threads asked: each makes its own copy of the agents and the arena ("
                      << murelta::megabytes(murelta::structureBytes(s))
                      << "), and a simulation may hold "
                      << murelta::megabytes(murelta::kMaxSimulationBytes) << "." << std::endl;
            threads = fit;
        }
    } catch (const murelta::Error& e) {
        std::cerr << "murelta-batch: " << e.what() << std::endl;
        return kExitRefused;
    }

    BatchHost host(s, out, options.showGenes);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    try {
        murelta::SimulationSetup setup(host);
        setup.listener = &host;
        setup.threads = threads;
        setup.changes = experiment.changes;
        murelta::Simulation simulation(s, std::move(setup));
        while (simulation.advance() != murelta::Advance::kFinished) {
            if (stopRequested != 0) {
                simulation.stop();
            }
        }
        const murelta::RecordPaths record = recording->write(s, simulation);
        std::cout << "Record written: " << record.experiment.string() << ", "
                  << record.runs.string() << std::endl;
        if (record.experiment.stem().string() != s.dataFileName) {
            std::cout << "Files named " << s.dataFileName
                      << " were there already and are kept; this simulation's are named "
                      << record.experiment.stem().string() << "." << std::endl;
        }
    } catch (const murelta::Error& e) {
        std::cerr << "murelta-batch: " << e.what() << std::endl;
        return 1;
    }
    return stopRequested != 0 ? kExitInterrupted : 0;
}
