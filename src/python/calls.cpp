#include "calls.hpp"

#include <algorithm>
#include <array>

#include "experiment/record.hpp"
#include "experiment/sweep.hpp"
#include "experiment/tables.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/simulation.hpp"
#include "sim/error.hpp"
#include "sim/parameter_table.hpp"
#include "sim/state.hpp"

namespace murelta::python {

namespace {

constexpr std::string_view kTotalFitness = "total_fitness";

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

void refuseCalibration(const Experiment& e) {
    if (e.calibration) {
        throw Error(
            "The experiment holds a [calibration]; run it with murelta-batch calibrate FILE "
            "--out FOLDER.");
    }
}

// An experiment that runs as one simulation, as murelta-batch --experiment takes it.
void requireSingle(const Experiment& e, const std::string& instead) {
    refuseCalibration(e);
    if (isSweep(e)) {
        throw Error("The experiment holds a [sweep] or a [design]; " + instead);
    }
}

}  // namespace

std::vector<std::string> parameterKeys() {
    std::vector<std::string> keys;
    for (const TextParameter& p : kTextParameters) {
        keys.emplace_back(p.key);
    }
    for (const FlagParameter& p : kFlagParameters) {
        keys.emplace_back(p.key);
    }
    return keys;
}

Experiment checkedExperiment(const Experiment& e) {
    try {
        return checkedAsFile(e, "the experiment");
    } catch (const ExperimentError& error) {
        throw Error(error.key().empty() ? error.problem() : error.key() + ": " + error.problem());
    }
}

Experiment checkedSweep(const Experiment& e) {
    Experiment checked = checkedExperiment(e);
    refuseCalibration(checked);
    if (!isSweep(checked)) {
        throw Error(
            "The experiment holds no [sweep] or [design]; run it with murelta.run or "
            "Experiment.run.");
    }
    return checked;
}

void setParameter(Experiment& e, const std::string& key, const std::string& text) {
    if (const TextParameter* p = findTextParameter(key)) {
        e.params.*(p->member) = text;
    } else if (const FlagParameter* f = findFlagParameter(key)) {
        if (text != "true" && text != "false") {
            throw Error(key + ": " + f->label + " is a check box; give True or False.");
        }
        e.params.*(f->member) = text == "true";
    } else {
        throw Error(key + " is not a parameter; the parameters are " + joined(parameterKeys()) +
                    ".");
    }
}

RunOutcome runExperiment(const Experiment& given, int threads, const std::filesystem::path& folder,
                         std::stop_token stop) {
    const Experiment e = checkedExperiment(given);
    requireSingle(e, "run its configurations with murelta.sweep.");
    SimState s;
    applyExperiment(s, e);
    checkCanStart(s);
    std::filesystem::create_directories(folder);
    checkDataFileWritable(s, folder);
    const Record record(s, e);
    DataFolder files(folder);
    SimulationSetup setup(files);
    setup.threads = record.threadsFor(s, threads);
    setup.changes = e.changes;
    Simulation simulation(s, std::move(setup));
    bool stopped = false;
    while (simulation.advance() != Advance::kFinished) {
        if (!stopped && stop.stop_requested()) {
            simulation.stop();
            stopped = true;
        }
    }
    RunOutcome outcome;
    outcome.recordPath = record.write(s, simulation).experiment;
    outcome.record = readText(outcome.recordPath, "record");
    outcome.results = readSimulationResults(outcome.recordPath);
    outcome.dataPath = simulation.result().dataFile;
    if (!outcome.dataPath.empty()) {
        outcome.dataFile = readText(outcome.dataPath, "data file");
    }
    return outcome;
}

std::vector<std::string> evaluationOutputs() {
    std::vector<std::string> outputs(tables::kSummaryColumns.begin() + 2,
                                     tables::kSummaryColumns.end());
    outputs.emplace_back(kTotalFitness);
    return outputs;
}

std::vector<std::vector<double>> evaluatePoints(const Experiment& given,
                                                const std::vector<std::string>& keys,
                                                const std::vector<std::vector<double>>& points,
                                                const std::vector<std::string>& outputs,
                                                int threads, const std::filesystem::path& folder,
                                                std::stop_token stop) {
    Experiment e = checkedExperiment(given);
    requireSingle(e, "evaluate runs the experiment itself at each point.");
    // The points are candidates of a calibration whose free parameters are the keys: they are
    // set, and rounded, as a calibration sets its candidates' values.
    Calibration free;
    for (const std::string& key : keys) {
        if (findTextParameter(key) == nullptr) {
            throw Error(key + " is not a parameter with a number; the parameters of a point are " +
                        "any of " + joined(parameterKeys()) + " but the check boxes.");
        }
        if (std::count(keys.begin(), keys.end(), key) > 1) {
            throw Error(key + " is named twice among the parameters of the points.");
        }
        free.free.push_back({key, 0.0, 0.0});
    }
    const std::vector<std::string> known = evaluationOutputs();
    for (const std::string& output : outputs) {
        if (std::find(known.begin(), known.end(), output) == known.end()) {
            throw Error(output + " is not an output; the outputs are " + joined(known) + ".");
        }
    }
    e.calibration = free;
    std::vector<Experiment> configurations;
    std::vector<std::filesystem::path> folders;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].size() != keys.size()) {
            throw Error("Point " + std::to_string(i) + " has " + std::to_string(points[i].size()) +
                        " values for " + std::to_string(keys.size()) + " parameters.");
        }
        try {
            configurations.push_back(checkedExperiment(candidate(e, points[i])));
        } catch (const Error& error) {
            throw Error("Point " + std::to_string(i) + ", " + error.what());
        }
        folders.push_back(configurationFolder(folder, i));
    }
    std::filesystem::create_directories(folder / "configs");
    RunCounters counters;
    runConfigurations(configurations, folders, threads, counters, stop);

    std::vector<std::vector<double>> values;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const SimulationResults results =
            readFinishedConfiguration(configurations[i], folders[i], "point " + std::to_string(i));
        const std::vector<double> statistics = summaryStatistics(lastGenerationMetrics(results));
        std::vector<double>& row = values.emplace_back();
        for (const std::string& output : outputs) {
            row.push_back(output == kTotalFitness ? results.generations.back().totalFitness
                                                  : statistics[summaryStatisticIndex(output)]);
        }
    }
    return values;
}

}  // namespace murelta::python
