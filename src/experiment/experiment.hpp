// Experiment files: everything that decides a simulation's results (the boxes as typed, the
// check boxes, the label, the network as designed and the target sizes) in a TOML file that a
// person can read and edit, and that saves to the same bytes when unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "experiment/design.hpp"
#include "run/simulation.hpp"
#include "sim/error.hpp"
#include "sim/params.hpp"

namespace murelta {

struct SimState;

// The format this program writes; files without a format number mean this one. Format 1 also
// held the targets' sizes, which a run never used: they are read from such files and dropped.
inline constexpr std::int64_t kExperimentFormat = 2;

// What an experiment file may be: larger files and deeper keys are refused before they are
// parsed, since the parser's memory grows with the one and its stack with the other.
inline constexpr std::size_t kMaxExperimentBytes = 16 * 1024 * 1024;
inline constexpr int kMaxKeyParts = 16;
// The most configurations a sweep (with its design's points) may make.
inline constexpr std::size_t kMaxConfigurations = 100000;

// An experiment that could not run, told apart: where (the file, the line and the key, as
// the message gives them) and what is wrong, so that a caller that wrote the text itself,
// such as the runner from its options, can name the place in its own terms.
class ExperimentError : public Error {
  public:
    ExperimentError(const std::string& message, std::string key, std::string problem)
        : Error(message), key_(std::move(key)), problem_(std::move(problem)) {}
    const std::string& key() const { return key_; }
    const std::string& problem() const { return problem_; }

  private:
    std::string key_;
    std::string problem_;
};

// The agents one agent's messages go to, kept as runs of consecutive indexes, so that a group in
// which everybody tells everybody takes a few bytes per agent instead of two per link. Iterates
// over the indexes in the order they were added.
class Receivers {
  public:
    struct Range {
        std::int16_t first;
        std::int16_t last;  // included
        friend bool operator==(const Range&, const Range&) = default;
    };

    // Adds one receiver: the range before grows when it follows it.
    void push_back(std::int16_t receiver) {
        if (!ranges_.empty() && ranges_.back().last + 1 == receiver) {
            ranges_.back().last = receiver;
        } else {
            ranges_.push_back({receiver, receiver});
        }
        ++count_;
    }
    // Adds first..last, both included (first <= last).
    void add(std::int16_t first, std::int16_t last) {
        if (!ranges_.empty() && ranges_.back().last + 1 == first) {
            ranges_.back().last = last;
        } else {
            ranges_.push_back({first, last});
        }
        count_ += static_cast<std::size_t>(last - first) + 1;
    }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const std::vector<Range>& ranges() const { return ranges_; }

    class Iterator {
      public:
        using value_type = std::int16_t;
        using difference_type = std::ptrdiff_t;
        Iterator() = default;
        Iterator(const std::vector<Range>* ranges, std::size_t range, int value)
            : ranges_(ranges), range_(range), value_(value) {}
        std::int16_t operator*() const { return static_cast<std::int16_t>(value_); }
        Iterator& operator++() {
            if (value_ < (*ranges_)[range_].last) {
                ++value_;
            } else if (++range_ < ranges_->size()) {
                value_ = (*ranges_)[range_].first;
            } else {
                value_ = 0;
            }
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.range_ == b.range_ && a.value_ == b.value_;
        }

      private:
        const std::vector<Range>* ranges_ = nullptr;
        std::size_t range_ = 0;
        int value_ = 0;
    };
    Iterator begin() const {
        return ranges_.empty() ? end() : Iterator(&ranges_, 0, ranges_.front().first);
    }
    Iterator end() const { return Iterator(&ranges_, ranges_.size(), 0); }

    friend bool operator==(const Receivers&, const Receivers&) = default;

  private:
    std::vector<Range> ranges_;
    std::size_t count_ = 0;
};

// One agent's part of the network as designed.
struct AgentDesign {
    std::int16_t index = 0;
    Receivers receivers;    // the agents its messages go to
    std::int16_t rank = 0;  // 1: the leader
    double retina = 0.0;

    friend bool operator==(const AgentDesign&, const AgentDesign&) = default;
};

// One swept parameter: a key of the parameters table, or "preset", and its values as texts
// (check boxes as "true" and "false").
struct SweepAxis {
    std::string key;
    std::vector<std::string> values;

    friend bool operator==(const SweepAxis&, const SweepAxis&) = default;
};

// One factor of a design: a key of the parameters table and the range its values are spread
// over, both ends included.
struct DesignFactor {
    std::string key;
    double from = 0.0;
    double to = 0.0;

    friend bool operator==(const DesignFactor&, const DesignFactor&) = default;
};

// A design of experiments: points spread over the factors' ranges, each point a configuration
// that runs on the same seeds as every other.
struct Design {
    DesignMethod method = DesignMethod::kSobol;
    // sobol: base samples N (N x (factors + 2) points); morris: trajectories (each factors + 1
    // points); lhs: points.
    std::size_t samples = 0;
    int levels = 4;          // morris: the levels of each factor's grid
    std::uint64_t seed = 0;  // the design's own random numbers (lhs, morris, bootstrap)
    std::vector<DesignFactor> factors;
    // Made from the above by planDesign; shared, so that a configuration copies no points.
    std::shared_ptr<const std::vector<DesignPoint>> points;

    std::size_t pointCount() const { return points ? points->size() : 0; }
    std::vector<std::string> factorKeys() const;
    // The factors' values at point `index` as their boxes would hold them: a whole-number
    // parameter rounded half to even, as its box rounds it, a real one in its shortest text.
    std::vector<std::string> values(std::size_t index) const;

    // The points follow from the rest.
    friend bool operator==(const Design& a, const Design& b) {
        return a.method == b.method && a.samples == b.samples && a.levels == b.levels &&
               a.seed == b.seed && a.factors == b.factors;
    }
};

enum class CalibrationMethod { kCmaes, kNsga2 };

// A calibration's population: cmaes adapts its step from at least 5 candidates, nsga2 pairs
// them four at a time; more than this many per generation is a typing error.
inline constexpr std::size_t kMinCmaesPopulation = 5;
inline constexpr std::size_t kMinNsga2Population = 8;
inline constexpr std::size_t kMaxCalibrationPopulation = 10000;

// What a calibration fits: a column of summary.csv for the last generation and the value
// observed, with its weight in a cmaes objective.
struct CalibrationTarget {
    std::string column;
    double value = 0.0;
    double weight = 1.0;

    friend bool operator==(const CalibrationTarget&, const CalibrationTarget&) = default;
};

// A calibration: candidate values of the free parameters, drawn by an evolutionary optimiser
// within their bounds, each run as a configuration on the experiment's seeds, until the budget
// of evaluations is spent.
struct Calibration {
    CalibrationMethod method = CalibrationMethod::kCmaes;
    std::size_t evaluations = 0;  // the budget, candidate evaluations in all
    std::size_t population = 0;   // candidates per generation of the optimiser
    std::uint32_t seed = 0;       // the optimiser's own random numbers
    // Each a key of the parameters table with its bounds, in the order written.
    std::vector<DesignFactor> free;
    std::vector<CalibrationTarget> targets;  // in the order written

    friend bool operator==(const Calibration&, const Calibration&) = default;
};

// The name a file gives a calibration method: "cmaes", "nsga2".
std::string_view methodName(CalibrationMethod method);

// The name a file gives a method: "sobol", "morris", "lhs".
std::string_view methodName(DesignMethod method);

// Makes the design's points from its method, samples, levels, seed and factors.
void planDesign(Design& design);

struct Experiment {
    Params params;
    std::string label = "untitle";  // the name part of the data file
    // Applied after the random network is drawn, as the designer's preset list does; empty
    // for none.
    std::string preset;
    // The communication radius the designer's range option set (kSpaceDependentRadius or
    // kSpaceIndependentRadius), when it differs from the "Com. Radius" box.
    std::optional<double> rangeRadius;
    // Per-agent designs, applied after the preset; a hand-written file may name only some.
    std::vector<AgentDesign> agents;
    // A sweep runs one simulation per combination of these values, the last axis varying
    // fastest; empty for a single simulation.
    std::vector<SweepAxis> sweep;
    // A design makes a configuration of each of its points, for each configuration of the
    // sweep; the points vary fastest.
    std::optional<Design> design;
    // A calibration runs candidates of its free parameters instead of the experiment itself.
    std::optional<Calibration> calibration;
    // The changes made to the network while the simulation ran, with the points at which they
    // took effect, as a record keeps them; running the experiment makes them again there.
    std::vector<NetworkChange> changes;

    friend bool operator==(const Experiment&, const Experiment&) = default;
};

// Whether the experiment is a sweep of several configurations: it has a [sweep] or a [design].
inline bool isSweep(const Experiment& e) {
    return !e.sweep.empty() || e.design.has_value();
}

// The experiment a calibration runs for a candidate: the free parameters set to `values`
// (whole-number ones as their boxes round them), and no calibration.
Experiment candidate(const Experiment& e, const std::vector<double>& values);
// The free parameters' texts for `values`, as candidate sets them.
std::vector<std::string> candidateValues(const Calibration& c, const std::vector<double>& values);

// The number of configurations of a sweep: the product of its axes' lengths (1 without one),
// times the design's points. Throws Error when the product does not fit a std::size_t.
std::size_t configurationCount(const Experiment& e);
// Configuration `index` of a sweep: the experiment with the swept values and the design
// point's values set, and no sweep or design.
Experiment configuration(const Experiment& e, std::size_t index);
// The swept values of configuration `index`, in axis order (the design's are apart).
std::vector<std::string> sweptValues(const Experiment& e, std::size_t index);
// The swept keys in axis order, as the tables' columns name them.
std::vector<std::string> sweptKeys(const Experiment& e);
// The design's point of configuration `index`, from 0.
std::size_t designPointOf(const Experiment& e, std::size_t index);

// Reads an experiment from the text of a file named `fileName` (used in messages). Anything the
// program could not run with, or that would have no effect, is refused: one ExperimentError
// that names the file, the line and the key and says what is allowed. A [provenance] table, as
// records have, is ignored.
Experiment parseExperiment(std::string_view text, const std::string& fileName);
// parseExperiment(experimentText(e), fileName): the checks of a file, with the same refusals.
// An experiment of parameters, a label and a preset, all in printable ASCII, reads back from its
// text as itself, so it is checked without the text when it passes; a refusal, which names its
// line, and anything else go through the text.
Experiment checkedAsFile(const Experiment& e, const std::string& fileName);
// parseExperiment on a file's contents; a file that cannot be read, a folder and an empty name
// are Errors too.
Experiment readExperiment(const std::filesystem::path& path);

// The file's text: every key in a stable order, so that an unchanged experiment saves to the
// same bytes. An agent's receivers are written as ranges in one line, such as "0-4, 6-9".
std::string experimentText(const Experiment& e);
// The same text written onto `out` agent by agent, so that a large group is never held as a
// whole document.
void writeExperimentText(std::ostream& out, const Experiment& e);
// Writes experimentText atomically: a failed write leaves no half file.
void writeExperiment(const std::filesystem::path& path, const Experiment& e);

// The experiment in force in `s`: `params` and `label` as given (those of the last successful
// "Set parameters"), `preset` (applied before the agents, so it changes nothing they set, and
// kept to say where the network came from), the range option and every agent of the group.
Experiment captureExperiment(const SimState& s, const Params& params, std::string_view label,
                             std::string_view preset = {});

// What comes after "Set parameters": the preset, the agents' designs and the range option. Throws
// Error, naming what does not fit the group, with `s` unchanged.
void applyNetwork(SimState& s, const Experiment& e);
// "Set parameters" with the experiment's parameters and label, then applyNetwork. On Error the
// structures are left unusable, as after a refused "Set parameters".
void applyExperiment(SimState& s, const Experiment& e);

}  // namespace murelta
