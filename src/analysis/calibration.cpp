#include "analysis/calibration.hpp"

#include <stdlib.h>
#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <pagmo/algorithms/cmaes.hpp>
#include <pagmo/algorithms/nsga2.hpp>
#include <pagmo/bfe.hpp>
#include <pagmo/population.hpp>
#include <pagmo/problem.hpp>
#include <sstream>

#include "experiment/record.hpp"
#include "experiment/results.hpp"
#include "experiment/sensitivity.hpp"
#include "experiment/sweep.hpp"
#include "experiment/tables.hpp"
#include "run/data_file.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/parameter_table.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {

void CalibrationProgress::show(const CalibrationStatus&) {}

namespace {

constexpr const char* kKeptFile = "calibration.toml";
constexpr const char* kEvaluations = "evaluations";
constexpr const char* kValidation = "validation";
constexpr const char* kSetAside = "-damaged-";
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The resamples of a validation's bootstrap intervals.
constexpr int kResamples = 2000;
// How often evaluations.csv is brought up to date while a calibration runs, for a viewer that
// follows it.
constexpr std::chrono::seconds kTablePause{5};
// CMA-ES's first step, as a share of each bound's width (the search runs in the unit cube).
constexpr double kCmaesSigma = 0.3;

std::string numbered(std::size_t index, std::size_t width) {
    std::string number = std::to_string(index);
    number.insert(0, number.size() < width ? width - number.size() : 0, '0');
    return number;
}

std::string field(double value) {
    return std::isnan(value) ? std::string() : formatNumber(value);
}

std::vector<double> targetStatistics(const Calibration& c,
                                     const std::array<std::vector<double>, 3>& metrics) {
    const std::vector<double> all = summaryStatistics(metrics);
    std::vector<double> statistics;
    for (const CalibrationTarget& t : c.targets) {
        statistics.push_back(all[summaryStatisticIndex(t.column)]);
    }
    return statistics;
}

// What a folder of runs holds: the ".NNNN-XXXXXX" folders a killed process left half made are
// removed; folders set aside as damaged are left for the user to look at.
void removeHalfMade(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") && name.find('-') != std::string::npos &&
            name.find(kSetAside) == std::string::npos) {
            std::filesystem::remove_all(entry.path());
        }
    }
}

// One evaluated candidate, as evaluations.csv gives it.
struct Evaluation {
    std::vector<std::string> values;  // the free parameters as their boxes hold them
    std::vector<double> statistics;   // the targets'
    std::vector<double> objectives;
};

// Runs configurations into numbered folders, reusing those a stopped process finished.
class FolderRunner {
  public:
    FolderRunner(int threads, RunCounters& counters)
        : threads_(std::max(1, threads)), counters_(counters) {}

    // The results of each experiment in its folder: run where missing or not finished, read
    // back either way, so that a reused folder and a fresh one give the same numbers. A folder
    // that does not hold its experiment finished is moved aside for the user to look at, or
    // with `replace` (folders of results derived from others) removed. `reused` counts the
    // folders found finished.
    std::vector<SimulationResults> run(const std::vector<Experiment>& experiments,
                                       const std::vector<std::filesystem::path>& folders,
                                       const std::vector<std::string>& names, std::size_t& reused,
                                       bool replace = false) {
        std::vector<Experiment> pending;
        std::vector<std::filesystem::path> pendingFolders;
        for (std::size_t i = 0; i < experiments.size(); ++i) {
            if (std::filesystem::exists(folders[i])) {
                try {
                    readFinishedConfiguration(experiments[i], folders[i], names[i]);
                    ++reused;
                    continue;
                } catch (const Error&) {
                    if (replace) {
                        std::filesystem::remove_all(folders[i]);
                    } else {
                        setAside(folders[i]);
                    }
                }
            }
            pending.push_back(experiments[i]);
            pendingFolders.push_back(folders[i]);
        }
        runConfigurations(pending, pendingFolders, threads_, counters_);
        std::vector<SimulationResults> results;
        for (std::size_t i = 0; i < experiments.size(); ++i) {
            results.push_back(readFinishedConfiguration(experiments[i], folders[i], names[i]));
        }
        return results;
    }

  private:
    static void setAside(const std::filesystem::path& folder) {
        std::string aside =
            (folder.parent_path() / ("." + folder.filename().string() + kSetAside + "XXXXXX"))
                .string();
        if (::mkdtemp(aside.data()) == nullptr) {
            throw Error("Cannot make a folder in " + folder.parent_path().string() + ": " +
                        std::strerror(errno) + ".");
        }
        // Replaces the empty folder just made.
        std::filesystem::rename(folder, aside);
    }

    int threads_;
    RunCounters& counters_;
};

// Evaluates candidates for the optimiser, in the order it asks, numbering them as it goes.
class Evaluator {
  public:
    Evaluator(const Experiment& e, const std::filesystem::path& dir, int threads,
              CalibrationProgress& progress)
        : experiment_(e),
          calibration_(*e.calibration),
          dir_(dir),
          runner_(threads, counters_),
          progress_(progress) {
        status_.budget = plannedEvaluations(calibration_);
        status_.generations = status_.budget / calibration_.population;
    }

    // The objectives of each candidate, given in the unit cube of the free parameters' bounds.
    // A candidate whose values, as the boxes round them, are those of an earlier one has its
    // results: it is not run again, and has no folder of its own.
    std::vector<std::vector<double>> evaluate(const std::vector<std::vector<double>>& units) {
        const std::size_t first = evaluations_.size();
        std::vector<Experiment> experiments;
        std::vector<std::filesystem::path> folders;
        std::vector<std::string> names;
        std::vector<std::size_t> fresh;  // the evaluations run in this batch
        std::vector<std::size_t> source(units.size());
        std::vector<std::vector<std::string>> values;
        for (std::size_t i = 0; i < units.size(); ++i) {
            std::vector<double> x;
            for (std::size_t f = 0; f < calibration_.free.size(); ++f) {
                const DesignFactor& bounds = calibration_.free[f];
                const double u = std::clamp(units[i].at(f), 0.0, 1.0);
                x.push_back(std::clamp(bounds.from + u * (bounds.to - bounds.from), bounds.from,
                                       bounds.to));
            }
            values.push_back(candidateValues(calibration_, x));
            const auto [seen, added] = firstWithValues_.try_emplace(values.back(), first + i);
            source[i] = seen->second;
            if (!added) {
                continue;
            }
            fresh.push_back(first + i);
            experiments.push_back(candidate(experiment_, x));
            folders.push_back(evaluationFolder(first + i));
            names.push_back("evaluation " + std::to_string(first + i) + " of " +
                            (dir_ / kKeptFile).string());
        }
        const std::vector<SimulationResults> results =
            runner_.run(experiments, folders, names, status_.reused);
        std::vector<std::vector<double>> objectives;
        for (std::size_t i = 0; i < units.size(); ++i) {
            Evaluation evaluation;
            evaluation.values = std::move(values[i]);
            if (source[i] != first + i) {
                evaluation.statistics = evaluations_[source[i]].statistics;
            } else {
                const auto run = static_cast<std::size_t>(
                    std::find(fresh.begin(), fresh.end(), first + i) - fresh.begin());
                evaluation.statistics =
                    targetStatistics(calibration_, lastGenerationMetrics(results[run]));
            }
            evaluation.objectives = calibrationObjectives(calibration_, evaluation.statistics);
            objectives.push_back(evaluation.objectives);
            if (status_.best.empty()) {
                status_.best = evaluation.objectives;
            }
            for (std::size_t k = 0; k < status_.best.size(); ++k) {
                status_.best[k] = std::min(status_.best[k], evaluation.objectives[k]);
            }
            evaluations_.push_back(std::move(evaluation));
        }
        status_.evaluations = evaluations_.size();
        status_.generation = (evaluations_.size() - 1) / calibration_.population;
        status_.runs = counters_.runs;
        progress_.show(status_);
        if (evaluations_.size() % calibration_.population == 0 &&
            std::chrono::steady_clock::now() - tableWritten_ >= kTablePause) {
            writeEvaluations();
        }
        return objectives;
    }

    const std::vector<Evaluation>& evaluations() const { return evaluations_; }
    std::size_t reused() const { return status_.reused; }

    // evaluations.csv, every evaluation so far in order.
    std::string evaluationsTable(const std::vector<std::size_t>* only = nullptr) const {
        std::string table = tables::csvRow(evaluationColumns(calibration_));
        const auto row = [&](std::size_t i) {
            const Evaluation& e = evaluations_[i];
            std::vector<std::string> fields{std::to_string(i),
                                            std::to_string(i / calibration_.population)};
            fields.insert(fields.end(), e.values.begin(), e.values.end());
            for (const double statistic : e.statistics) {
                fields.push_back(field(statistic));
            }
            for (const double objective : e.objectives) {
                fields.push_back(formatNumber(objective));
            }
            table += tables::csvRow(fields);
        };
        if (only != nullptr) {
            std::for_each(only->begin(), only->end(), row);
        } else {
            for (std::size_t i = 0; i < evaluations_.size(); ++i) {
                row(i);
            }
        }
        return table;
    }

    void writeEvaluations() {
        writeFileAtomically(dir_, "evaluations.csv", evaluationsTable());
        tableWritten_ = std::chrono::steady_clock::now();
    }

    // Runs each chosen evaluation again on the seeds after the calibration's and returns
    // validation.csv.
    std::string validate(const std::vector<std::size_t>& chosen) {
        status_.validating = true;
        progress_.show(status_);
        const std::filesystem::path folder = dir_ / kValidation;
        std::filesystem::create_directories(folder);
        removeHalfMade(folder);
        SimState s;
        readParams(s, experiment_.params);
        std::vector<Experiment> experiments;
        std::vector<std::filesystem::path> folders;
        std::vector<std::string> names;
        for (std::size_t m = 0; m < chosen.size(); ++m) {
            // The calibration's runs have seeds Initial Seed + 1 .. + Runs; these follow them.
            Experiment again = candidateOf(chosen[m]);
            again.params.seed = std::to_string(static_cast<long>(s.seed) + s.runCount);
            experiments.push_back(std::move(again));
            folders.push_back(folder / numbered(m, 3));
            names.push_back("validation " + std::to_string(m) + " of " +
                            (dir_ / kKeptFile).string());
        }
        std::size_t reused = 0;
        // A validation folder of another best candidate (the budget was changed) is replaced.
        const std::vector<SimulationResults> results =
            runner_.run(experiments, folders, names, reused, true);

        std::string table = tables::csvRow(validationColumns(calibration_));
        for (std::size_t m = 0; m < chosen.size(); ++m) {
            const std::array<std::vector<double>, 3> metrics = lastGenerationMetrics(results[m]);
            const std::size_t runs = metrics[0].size();
            for (std::size_t t = 0; t < calibration_.targets.size(); ++t) {
                const CalibrationTarget& target = calibration_.targets[t];
                const std::size_t index = summaryStatisticIndex(target.column);
                Estimate estimate;
                if (target.column.ends_with("_mean")) {
                    // Student's t interval of the mean, as summary.csv gives it.
                    const std::vector<double> all = summaryStatistics(metrics);
                    estimate = {all[index], all[index + 3], all[index + 4]};
                } else {
                    // Any other statistic: a percentile bootstrap over the runs.
                    estimate = bootstrapEstimate(
                        runs,
                        [&](const std::vector<std::size_t>& rows) {
                            std::array<std::vector<double>, 3> drawn;
                            for (std::size_t k = 0; k < 3; ++k) {
                                for (const std::size_t row : rows) {
                                    drawn[k].push_back(metrics[k][row]);
                                }
                            }
                            return summaryStatistics(drawn)[index];
                        },
                        kResamples, calibration_.seed);
                }
                std::vector<std::string> fields{std::to_string(m), std::to_string(chosen[m])};
                const Evaluation& evaluation = evaluations_[chosen[m]];
                fields.insert(fields.end(), evaluation.values.begin(), evaluation.values.end());
                fields.insert(fields.end(), {target.column, formatNumber(target.value),
                                             field(evaluation.statistics[t]), field(estimate.value),
                                             field(estimate.ciLow), field(estimate.ciHigh),
                                             std::to_string(runs)});
                table += tables::csvRow(fields);
            }
        }
        return table;
    }

    std::filesystem::path evaluationFolder(std::size_t index) const {
        return dir_ / kEvaluations / numbered(index, 4);
    }

    // The experiment of evaluation `index`, from the values it was run with.
    Experiment candidateOf(std::size_t index) const {
        Experiment c = experiment_;
        c.calibration.reset();
        for (std::size_t f = 0; f < calibration_.free.size(); ++f) {
            c.params.*(findTextParameter(calibration_.free[f].key)->member) =
                evaluations_[index].values[f];
        }
        return c;
    }

  private:
    const Experiment& experiment_;
    const Calibration& calibration_;
    std::filesystem::path dir_;
    RunCounters counters_;
    FolderRunner runner_;
    CalibrationProgress& progress_;
    CalibrationStatus status_;
    std::vector<Evaluation> evaluations_;
    // The first evaluation of each set of values, whose folder holds their runs.
    std::map<std::vector<std::string>, std::size_t> firstWithValues_;
    std::chrono::steady_clock::time_point tableWritten_ = std::chrono::steady_clock::now();
};

// The calibration as pagmo sees it: the unit cube of the free parameters, one objective per
// objective of calibrationObjectives.
struct CalibrationProblem {
    Evaluator* evaluator = nullptr;
    std::size_t dimension = 1;
    std::size_t objectives = 1;

    pagmo::vector_double fitness(const pagmo::vector_double& x) const {
        if (evaluator == nullptr) {
            throw Error("A calibration problem was evaluated without its evaluator.");
        }
        return evaluator->evaluate({x}).front();
    }
    std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
        return {pagmo::vector_double(dimension, 0.0), pagmo::vector_double(dimension, 1.0)};
    }
    pagmo::vector_double::size_type get_nobj() const { return objectives; }
};

// A batch of candidates, evaluated together on every thread.
struct CalibrationBatch {
    pagmo::vector_double operator()(const pagmo::problem& p,
                                    const pagmo::vector_double& decisions) const {
        const auto* problem = p.extract<CalibrationProblem>();
        if (problem == nullptr || problem->evaluator == nullptr) {
            throw Error("A calibration batch was given another problem.");
        }
        std::vector<std::vector<double>> units;
        for (std::size_t at = 0; at < decisions.size(); at += problem->dimension) {
            units.emplace_back(decisions.begin() + static_cast<long>(at),
                               decisions.begin() + static_cast<long>(at + problem->dimension));
        }
        pagmo::vector_double fitnesses;
        for (const std::vector<double>& objectives : problem->evaluator->evaluate(units)) {
            fitnesses.insert(fitnesses.end(), objectives.begin(), objectives.end());
        }
        return fitnesses;
    }
};

// The text of an experiment written by a calibration, with where it came from.
std::string withProvenance(const Experiment& e, const Experiment& calibrated,
                           const std::string& source, std::size_t evaluation,
                           const std::vector<double>& objectives, std::size_t evaluationsRun) {
    const Calibration& c = *calibrated.calibration;
    SimState s;
    readParams(s, e.params);
    toml::array objectiveValues;
    for (const double objective : objectives) {
        objectiveValues.push_back(objective);
    }
    toml::table provenance{
        {"version", programVersion()},
        {"written", utcNow()},
        {"calibration-file", source},
        {"method", std::string(methodName(c.method))},
        {"budget", static_cast<std::int64_t>(c.evaluations)},
        {"evaluations", static_cast<std::int64_t>(evaluationsRun)},
        {"population", static_cast<std::int64_t>(c.population)},
        {"optimiser-seed", static_cast<std::int64_t>(c.seed)},
        {"first-seed", static_cast<std::int64_t>(s.seed + 1)},
        {"last-seed", static_cast<std::int64_t>(s.seed + s.runCount)},
        {"evaluation", static_cast<std::int64_t>(evaluation)},
        {"objectives", std::move(objectiveValues)},
    };
    std::ostringstream out;
    writeExperimentText(out, e);
    out << "\n# How this experiment was found; murelta-batch ignores it when running the file.\n"
        << toml::table{{"provenance", std::move(provenance)}} << '\n';
    return out.str();
}

}  // namespace

std::size_t plannedEvaluations(const Calibration& c) {
    return c.evaluations / c.population * c.population;
}

std::vector<double> calibrationObjectives(const Calibration& c,
                                          const std::vector<double>& statistics) {
    std::vector<double> errors;
    for (std::size_t t = 0; t < c.targets.size(); ++t) {
        const double target = c.targets[t].value;
        const double statistic = statistics.at(t);
        if (std::isnan(statistic)) {
            errors.push_back(kInfinity);
        } else if (target == 0.0) {
            errors.push_back(std::abs(statistic));
        } else {
            errors.push_back(std::abs((statistic - target) / target));
        }
    }
    if (c.method == CalibrationMethod::kNsga2) {
        return errors;
    }
    double sum = 0.0;
    for (std::size_t t = 0; t < errors.size(); ++t) {
        sum += c.targets[t].weight * errors[t] * errors[t];
    }
    return {sum};
}

std::vector<std::size_t> nonDominated(const std::vector<std::vector<double>>& points) {
    // Sorted lexicographically, a point can be dominated only by one before it, and if by any
    // then by one of the front found so far: each point is checked against that front alone.
    std::vector<std::size_t> order(points.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return points[a] < points[b]; });
    const auto dominatesOrEquals = [&](const std::vector<double>& a, const std::vector<double>& b) {
        for (std::size_t k = 0; k < a.size(); ++k) {
            if (a[k] > b[k]) {
                return false;
            }
        }
        return true;
    };
    std::vector<std::size_t> front;
    for (const std::size_t i : order) {
        if (std::none_of(front.begin(), front.end(),
                         [&](std::size_t f) { return dominatesOrEquals(points[f], points[i]); })) {
            front.push_back(i);
        }
    }
    std::sort(front.begin(), front.end());
    return front;
}

std::vector<std::string> evaluationColumns(const Calibration& c) {
    std::vector<std::string> columns{"evaluation", "generation"};
    for (const DesignFactor& f : c.free) {
        columns.push_back(f.key);
    }
    for (const CalibrationTarget& t : c.targets) {
        columns.push_back(t.column);
    }
    if (c.method == CalibrationMethod::kCmaes) {
        columns.emplace_back("objective");
    } else {
        for (const CalibrationTarget& t : c.targets) {
            columns.push_back("objective_" + t.column);
        }
    }
    return columns;
}

std::vector<std::string> validationColumns(const Calibration& c) {
    std::vector<std::string> columns{"member", "evaluation"};
    for (const DesignFactor& f : c.free) {
        columns.push_back(f.key);
    }
    columns.insert(columns.end(),
                   {"target", "observed", "calibrated", "validated", "ci_low", "ci_high", "runs"});
    return columns;
}

CalibrationReport runCalibration(const Experiment& e, const std::string& source,
                                 const std::filesystem::path& dir, int threads,
                                 CalibrationProgress& progress) {
    if (!e.calibration) {
        throw Error(source +
                    " holds no [calibration]; a calibration file names its free "
                    "parameters and targets there.");
    }
    const Calibration& c = *e.calibration;
    std::filesystem::create_directories(dir / kEvaluations);
    if (std::filesystem::exists(dir / "sweep.toml")) {
        throw Error("The folder " + dir.string() +
                    " holds a sweep; choose another folder for this calibration.");
    }
    const std::string text = experimentText(e);
    const std::filesystem::path kept = dir / kKeptFile;
    if (std::filesystem::exists(kept)) {
        const std::string keptText = readText(kept, "calibration file");
        if (keptText != text) {
            // A budget raised or lowered replays the same optimiser for more or fewer
            // generations: the evaluations in common are reused.
            Experiment keptExperiment = parseExperiment(keptText, kept.string());
            if (keptExperiment.calibration) {
                keptExperiment.calibration->evaluations = c.evaluations;
            }
            if (keptExperiment != e) {
                throw Error("The folder " + dir.string() + " holds a different calibration (" +
                            kept.string() + "); choose another folder for this one.");
            }
            writeFileAtomically(dir, kKeptFile, text);
        }
    } else {
        writeFileAtomically(dir, kKeptFile, text);
    }
    removeHalfMade(dir / kEvaluations);

    Evaluator evaluator(e, dir, threads, progress);
    CalibrationProblem udp;
    udp.evaluator = &evaluator;
    udp.dimension = c.free.size();
    udp.objectives = c.method == CalibrationMethod::kCmaes ? 1 : c.targets.size();
    const pagmo::problem problem(udp);
    const pagmo::bfe batch{CalibrationBatch{}};
    // The first population is drawn from the calibration's seed and evaluated as one batch.
    pagmo::population population(problem, batch, c.population, c.seed);
    const auto generations = static_cast<unsigned>(plannedEvaluations(c) / c.population - 1);
    if (generations > 0) {
        if (c.method == CalibrationMethod::kCmaes) {
            // Bounds enforced, so that no candidate is drawn outside them; pagmo 2.18's CMA-ES
            // asks for one candidate at a time, whose runs then share the threads. No tolerance
            // stops it early: on common random numbers a whole-number parameter makes the
            // objective flat in places, where a population of equal objectives has not
            // converged, and the budget is the user's to spend.
            pagmo::cmaes algorithm(generations, -1, -1, -1, -1, kCmaesSigma, 0.0, 0.0, false, true,
                                   c.seed);
            population = algorithm.evolve(population);
        } else {
            pagmo::nsga2 algorithm(generations, 0.95, 10.0,
                                   1.0 / static_cast<double>(c.free.size()), 50.0, c.seed);
            algorithm.set_bfe(batch);
            population = algorithm.evolve(population);
        }
    }

    CalibrationReport report;
    report.evaluations = evaluator.evaluations().size();
    report.reused = evaluator.reused();
    evaluator.writeEvaluations();
    report.written.emplace_back("evaluations.csv");

    std::vector<std::vector<double>> objectives;
    for (const Evaluation& evaluation : evaluator.evaluations()) {
        objectives.push_back(evaluation.objectives);
    }
    std::vector<std::size_t> chosen;
    if (c.method == CalibrationMethod::kCmaes) {
        // The least objective; the first of equal ones.
        chosen.push_back(static_cast<std::size_t>(
            std::min_element(objectives.begin(), objectives.end()) - objectives.begin()));
        writeFileAtomically(dir, "best.toml",
                            withProvenance(evaluator.candidateOf(chosen[0]), e, source, chosen[0],
                                           objectives[chosen[0]], report.evaluations));
        report.written.emplace_back("best.toml");
    } else {
        chosen = nonDominated(objectives);
        writeFileAtomically(dir, "front.csv", evaluator.evaluationsTable(&chosen));
        const std::filesystem::path front = dir / "front";
        std::filesystem::create_directories(front);
        // A front smaller than before leaves no member of the earlier one behind.
        for (const auto& entry : std::filesystem::directory_iterator(front)) {
            std::filesystem::remove_all(entry.path());
        }
        for (std::size_t m = 0; m < chosen.size(); ++m) {
            writeFileAtomically(
                front, numbered(m, 3) + ".toml",
                withProvenance(evaluator.candidateOf(chosen[m]), e, source, chosen[m],
                               objectives[chosen[m]], report.evaluations));
        }
        report.written.emplace_back("front.csv");
        report.written.emplace_back("front/");
    }
    writeFileAtomically(dir, "validation.csv", evaluator.validate(chosen));
    report.written.emplace_back("validation.csv");
    return report;
}

namespace {

// A row of evaluations.csv or front.csv.
struct EvaluationRow {
    std::string place;  // the file and line, for messages
    std::size_t evaluation = 0;
    std::vector<std::string> values;  // the free parameters as written
    std::vector<double> objectives;
};

// validation.csv, every field checked: the member and evaluation whole numbers, the evaluation
// one of evaluations.csv with its free parameters, the target one of the calibration's with its
// observed value, the statistics numbers or empty (too few runs), the runs a whole number.
CsvTable readValidation(const std::filesystem::path& path, const Calibration& c,
                        const std::vector<std::vector<std::string>>& values) {
    CsvTable table = readCsv(path);
    const std::vector<std::string> columns = validationColumns(c);
    if (table.header != columns) {
        std::string expected;
        for (const std::string& column : columns) {
            expected += (expected.empty() ? "" : ",") + column;
        }
        throw Error(path.string() + ", line 1: the header should read " + expected + ".");
    }
    const std::size_t target = 2 + c.free.size();
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::vector<std::string>& fields = table.rows[r];
        const std::string place = path.string() + ", line " + std::to_string(table.lines[r]);
        const auto number = [&](std::size_t k) {
            return parseNumber(fields[k], place + ", column " + columns[k]);
        };
        const auto whole = [&](std::size_t k, double most) {
            const double value = number(k);
            if (value != std::floor(value) || value < 0 || value > most) {
                throw Error(place + ", column " + columns[k] + ": \"" + fields[k] +
                            "\" is not a whole number from 0 to " + formatNumber(most) + ".");
            }
        };
        whole(0, 1e9);
        whole(1, static_cast<double>(values.size()) - 1);
        if (!std::equal(fields.begin() + 2, fields.begin() + static_cast<long>(target),
                        values[static_cast<std::size_t>(number(1))].begin())) {
            throw Error(place + ": the free parameters differ from those of evaluation " +
                        fields[1] + " in evaluations.csv.");
        }
        const auto found =
            std::find_if(c.targets.begin(), c.targets.end(),
                         [&](const CalibrationTarget& t) { return t.column == fields[target]; });
        if (found == c.targets.end()) {
            throw Error(place + ", column target: \"" + fields[target] +
                        "\" is not a target of this calibration.");
        }
        if (number(target + 1) != found->value) {
            throw Error(place + ", column observed: " + fields[target + 1] + " where the target " +
                        found->column + " is " + formatNumber(found->value) + ".");
        }
        for (std::size_t k = target + 2; k < target + 6; ++k) {
            if (!fields[k].empty()) {
                number(k);
            }
        }
        whole(target + 6, 1e9);
    }
    return table;
}

}  // namespace

CalibrationResults readCalibrationResults(const std::filesystem::path& dir) {
    CalibrationResults results;
    results.dir = dir;
    const std::filesystem::path kept = dir / kKeptFile;
    results.experiment = parseExperiment(readText(kept, "calibration file"), kept.string());
    if (!results.experiment.calibration) {
        throw Error(kept.string() +
                    ": the file holds no [calibration]; it is not the file a "
                    "calibration keeps.");
    }
    const Calibration& c = *results.experiment.calibration;
    const std::vector<std::string> columns = evaluationColumns(c);
    const std::size_t objectives = c.method == CalibrationMethod::kCmaes ? 1 : c.targets.size();
    const auto read = [&](const std::filesystem::path& path) {
        const CsvTable table = readCsv(path);
        if (table.header != columns) {
            std::string expected;
            for (const std::string& column : columns) {
                expected += (expected.empty() ? "" : ",") + column;
            }
            throw Error(path.string() + ", line 1: the header should read " + expected + ".");
        }
        std::vector<EvaluationRow> rows;
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            const auto& fields = table.rows[r];
            EvaluationRow row;
            row.place = path.string() + ", line " + std::to_string(table.lines[r]);
            const double evaluation = parseNumber(fields[0], row.place + ", column evaluation");
            if (evaluation != std::floor(evaluation) || evaluation < 0 || evaluation > 1e9) {
                throw Error(row.place + ": the evaluation \"" + fields[0] +
                            "\" is not a whole number of 0 or more.");
            }
            row.evaluation = static_cast<std::size_t>(evaluation);
            row.values.assign(fields.begin() + 2,
                              fields.begin() + 2 + static_cast<long>(c.free.size()));
            for (std::size_t k = columns.size() - objectives; k < columns.size(); ++k) {
                row.objectives.push_back(
                    fields[k] == "Infinity"
                        ? kInfinity
                        : parseNumber(fields[k], row.place + ", column " + columns[k]));
            }
            rows.push_back(std::move(row));
        }
        return rows;
    };
    for (EvaluationRow& row : read(dir / "evaluations.csv")) {
        if (row.evaluation != results.objectives.size()) {
            throw Error(row.place + ": evaluation " + std::to_string(row.evaluation) + " where " +
                        std::to_string(results.objectives.size()) +
                        " was due; the evaluations are numbered in order from 0.");
        }
        results.objectives.push_back(std::move(row.objectives));
        results.values.push_back(std::move(row.values));
    }
    if (c.method == CalibrationMethod::kNsga2 && std::filesystem::exists(dir / "front.csv")) {
        for (const EvaluationRow& row : read(dir / "front.csv")) {
            if (row.evaluation >= results.objectives.size()) {
                throw Error(row.place + ": evaluation " + std::to_string(row.evaluation) +
                            " is not in evaluations.csv.");
            }
            if (row.objectives != results.objectives[row.evaluation] ||
                row.values != results.values[row.evaluation]) {
                throw Error(row.place + ": evaluation " + std::to_string(row.evaluation) +
                            " differs from the same evaluation in evaluations.csv.");
            }
            results.front.push_back(row.evaluation);
        }
    }
    const std::filesystem::path validation = dir / "validation.csv";
    if (std::filesystem::exists(validation)) {
        results.validation = readValidation(validation, c, results.values);
    }
    return results;
}

}  // namespace murelta
