#include "experiment/sweep.hpp"

#include <stdlib.h>

#include <toml++/toml.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "experiment/record.hpp"
#include "experiment/results.hpp"
#include "run/data_file.hpp"
#include "run/display.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

void SweepProgress::show(std::size_t, std::size_t, long, long) {}

namespace {

constexpr const char* kSweepFile = "sweep.toml";
constexpr const char* kExperimentFile = "experiment.toml";

// Counts a configuration's cycles and runs into the sweep's totals, a batch at a time so that
// threads do not contend for them every cycle.
class CountingDisplay : public RunDisplay {
  public:
    CountingDisplay(std::atomic<long>& runs, std::atomic<long>& cycles)
        : runs_(runs), cycles_(cycles) {}
    ~CountingDisplay() override { cycles_ += pending_; }
    CountingDisplay(const CountingDisplay&) = delete;
    CountingDisplay& operator=(const CountingDisplay&) = delete;
    void showProgress(std::int16_t, std::int16_t, std::int16_t, std::int16_t) override {
        if (++pending_ == 4096) {
            cycles_ += pending_;
            pending_ = 0;
        }
    }
    void showRunsDone(int, int) override { ++runs_; }

  private:
    std::atomic<long>& runs_;
    std::atomic<long>& cycles_;
    long pending_ = 0;
};

class Folder : public DataFileHost {
  public:
    explicit Folder(std::filesystem::path path) : path_(std::move(path)) {}
    std::filesystem::path dataDirectory() override { return path_; }

  private:
    std::filesystem::path path_;
};

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A field of an RFC 4180 table: quoted when it holds a comma, a quote or a line end.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::string row(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line += (i > 0 ? "," : "") + csvField(fields[i]);
    }
    return line + "\r\n";
}

// Splits one line of a table this program wrote: its fields are plain numbers.
std::vector<std::string> splitLine(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) {
        fields.push_back(field);
    }
    return fields;
}

// Mean, standard deviation, median and the 95% confidence interval of the mean of some runs'
// values, as table fields; the spread is left empty for fewer than two values, everything for
// none.
std::vector<std::string> describedFields(const std::vector<double>& values) {
    const Description d = describe(values);
    if (d.count == 0) {
        return {"", "", "", "", ""};
    }
    if (d.count < 2) {
        return {formatNumber(d.mean), "", formatNumber(d.median), "", ""};
    }
    return {formatNumber(d.mean), formatNumber(d.sd), formatNumber(d.median), formatNumber(d.ciLow),
            formatNumber(d.ciHigh)};
}

// The record's table and provenance in a finished configuration's folder.
struct ConfigurationFiles {
    std::filesystem::path runs;
    std::filesystem::path record;
};

ConfigurationFiles filesIn(const std::filesystem::path& folder) {
    ConfigurationFiles files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() == ".csv") {
            files.runs = path;
        } else if (path.extension() == ".toml" && path.filename() != kExperimentFile) {
            files.record = path;
        }
    }
    if (files.runs.empty() || files.record.empty()) {
        throw Error("The configuration folder " + folder.string() + " has no record.");
    }
    return files;
}

}  // namespace

Shard parseShard(const std::string& text) {
    // Digits only: "0.5/2" or "0/ 2" is a typing error, not shard 0 of 2.
    const auto whole = [](std::string_view digits, std::size_t& value) {
        if (digits.empty() || digits.size() > 9 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        value = std::stoul(std::string(digits));
        return true;
    };
    const std::size_t slash = text.find('/');
    Shard shard;
    if (slash != std::string::npos && whole(std::string_view(text).substr(0, slash), shard.index) &&
        whole(std::string_view(text).substr(slash + 1), shard.count) && shard.count > 0 &&
        shard.index < shard.count) {
        return shard;
    }
    throw Error("--shard takes K/N, whole numbers with 0 <= K < N, such as 0/4 (it is \"" + text +
                "\").");
}

std::filesystem::path configurationFolder(const std::filesystem::path& dir, std::size_t index) {
    std::string number = std::to_string(index);
    number.insert(0, number.size() < 4 ? 4 - number.size() : 0, '0');
    return dir / "configs" / number;
}

std::size_t runSweep(const Experiment& sweep, const std::filesystem::path& dir, int threads,
                     Shard shard, SweepProgress& progress) {
    std::filesystem::create_directories(dir / "configs");
    const std::string text = experimentText(sweep);
    const std::filesystem::path kept = dir / kSweepFile;
    if (std::filesystem::exists(kept)) {
        if (readText(kept) != text) {
            throw Error("The folder " + dir.string() +
                        " holds a different sweep; choose another folder for this one.");
        }
    } else {
        writeFileAtomically(dir, kSweepFile, text);
    }

    const std::size_t total = configurationCount(sweep);
    // What a killed run of this shard left half made is made again from the start.
    for (const auto& entry : std::filesystem::directory_iterator(dir / "configs")) {
        const std::string name = entry.path().filename().string();
        const std::size_t dash = name.find('-');
        if (name.starts_with(".") && dash != std::string::npos) {
            try {
                if (std::stoul(name.substr(1, dash - 1)) % shard.count == shard.index) {
                    std::filesystem::remove_all(entry.path());
                }
            } catch (const std::exception&) {
                // Not one of ours.
            }
        }
    }
    std::vector<std::size_t> pending;
    std::size_t mine = 0;
    for (std::size_t i = shard.index; i < total; i += shard.count) {
        ++mine;
        if (!std::filesystem::exists(configurationFolder(dir, i))) {
            pending.push_back(i);
        }
    }

    // The largest configurations first, so that no thread is left with a long one at the end
    // while the others idle; the order of the work changes no result.
    const auto estimate = [&](std::size_t index) {
        const Experiment c = configuration(sweep, index);
        double size = 1.0;
        for (const std::string* field :
             {&c.params.agents, &c.params.runs, &c.params.cycles, &c.params.generations}) {
            try {
                size *= std::max(1.0, parseNumber(*field, "Size"));
            } catch (const Error&) {
                // A text the sweep's checks let through but this estimate cannot read.
            }
        }
        return size;
    };
    std::vector<double> sizes(total, 0.0);
    for (const std::size_t index : pending) {
        sizes[index] = estimate(index);
    }
    std::stable_sort(pending.begin(), pending.end(),
                     [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });

    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{mine - pending.size()};
    std::atomic<long> runs{0};
    std::atomic<long> cycles{0};
    std::atomic<bool> finished{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
    std::atomic<bool> failed{false};

    const auto runPending = [&] {
        for (std::size_t k = next++; k < pending.size() && !failed; k = next++) {
            const std::size_t index = pending[k];
            const std::filesystem::path target = configurationFolder(dir, index);
            std::string pattern =
                (dir / "configs" / ("." + target.filename().string() + "-XXXXXX")).string();
            try {
                if (::mkdtemp(pattern.data()) == nullptr) {
                    throw Error("Cannot make a folder in " + (dir / "configs").string() + ".");
                }
                const std::filesystem::path temporary = pattern;
                const Experiment e = configuration(sweep, index);
                writeExperiment(temporary / kExperimentFile, e);
                SimState s;
                applyExperiment(s, e);
                CountingDisplay display(runs, cycles);
                Folder folder(temporary);
                runAndRecord(s, display, folder, e, 1);
                // The configuration appears whole or not at all.
                std::filesystem::rename(temporary, target);
                ++done;
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (failure == nullptr) {
                    failure = std::current_exception();
                }
                failed = true;
            }
        }
    };
    std::vector<std::jthread> pool;
    for (int t = 0; t < std::max(1, threads); ++t) {
        pool.emplace_back(runPending);
    }
    std::jthread reporter([&] {
        while (!finished) {
            progress.show(done, mine, runs, cycles);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    });
    pool.clear();
    finished = true;
    reporter.join();
    progress.show(done, mine, runs, cycles);
    if (failure != nullptr) {
        std::rethrow_exception(failure);
    }
    return pending.size();
}

std::vector<std::size_t> collectSweep(const std::filesystem::path& dir) {
    const std::filesystem::path kept = dir / kSweepFile;
    if (!std::filesystem::exists(kept)) {
        throw Error("The folder " + dir.string() + " holds no sweep (" + kSweepFile +
                    " is missing).");
    }
    const Experiment sweep = readExperiment(kept);
    std::vector<std::string> keys;
    for (const SweepAxis& axis : sweep.sweep) {
        keys.push_back(axis.key);
    }
    const auto header = [&](std::vector<std::string> tail) {
        std::vector<std::string> fields{"config"};
        fields.insert(fields.end(), keys.begin(), keys.end());
        fields.insert(fields.end(), tail.begin(), tail.end());
        return row(fields);
    };
    std::string runsTable = header({"generation", "run", "seed", "first", "last", "percent_out"});
    std::string generationsTable = header({"generation", "total_fitness", "exp_gene_mean",
                                           "exp_gene_sd", "com_gene_mean", "com_gene_sd"});
    std::vector<std::string> summaryColumns{"generation", "runs"};
    for (const char* metric : {"first", "last", "percent_out"}) {
        for (const char* statistic : {"mean", "sd", "median", "ci_low", "ci_high"}) {
            summaryColumns.push_back(std::string(metric) + "_" + statistic);
        }
    }
    summaryColumns.push_back("all_out_share");
    std::string summaryTable = header(summaryColumns);

    std::vector<std::size_t> missing;
    const std::size_t total = configurationCount(sweep);
    for (std::size_t index = 0; index < total; ++index) {
        const std::filesystem::path folder = configurationFolder(dir, index);
        if (!std::filesystem::exists(folder)) {
            missing.push_back(index);
            continue;
        }
        std::vector<std::string> lead{std::to_string(index)};
        for (const std::string& value : sweptValues(sweep, index)) {
            lead.push_back(value);
        }
        const auto withLead = [&](const std::vector<std::string>& tail) {
            std::vector<std::string> fields = lead;
            fields.insert(fields.end(), tail.begin(), tail.end());
            return row(fields);
        };
        const ConfigurationFiles files = filesIn(folder);

        // Runs, and per generation the three metrics of its runs.
        std::stringstream runsIn(readText(files.runs));
        std::string line;
        std::getline(runsIn, line);  // the header
        std::vector<std::array<std::vector<double>, 3>> metrics;
        while (std::getline(runsIn, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const std::vector<std::string> fields = splitLine(line);
            if (fields.size() != 6) {
                throw Error("A malformed line in " + files.runs.string() + ": " + line);
            }
            runsTable += withLead(fields);
            const auto generation = static_cast<std::size_t>(std::stoul(fields[0]));
            metrics.resize(std::max(metrics.size(), generation + 1));
            for (std::size_t m = 0; m < 3; ++m) {
                metrics[generation][m].push_back(parseNumber(fields[3 + m], "A value"));
            }
        }
        for (std::size_t g = 0; g < metrics.size(); ++g) {
            std::vector<std::string> fields{std::to_string(g),
                                            std::to_string(metrics[g][0].size())};
            for (const std::vector<double>& values : metrics[g]) {
                const std::vector<std::string> described = describedFields(values);
                fields.insert(fields.end(), described.begin(), described.end());
            }
            const auto allOut = std::count(metrics[g][2].begin(), metrics[g][2].end(), 100.0);
            fields.push_back(metrics[g][2].empty()
                                 ? std::string()
                                 : formatNumber(static_cast<double>(allOut) /
                                                static_cast<double>(metrics[g][2].size())));
            summaryTable += withLead(fields);
        }

        // Fitness and genes per generation, from the provenance.
        toml::table record;
        try {
            record = toml::parse_file(files.record.string());
        } catch (const toml::parse_error& error) {
            throw Error("The record " + files.record.string() +
                        " cannot be read: " + std::string(error.description()) + ".");
        }
        if (const toml::array* generations = record["provenance"]["generations"].as_array()) {
            for (const toml::node& node : *generations) {
                const toml::table& g = *node.as_table();
                const auto number = [&](const char* key) {
                    return formatNumber(g[key].value_or(0.0));
                };
                generationsTable += withLead(
                    {std::to_string(g["generation"].value_or(std::int64_t{0})),
                     number("total-fitness"), number("exp-gene-mean"), number("exp-gene-sd"),
                     number("com-gene-mean"), number("com-gene-sd")});
            }
        }
    }
    writeFileAtomically(dir, "runs.csv", runsTable);
    writeFileAtomically(dir, "generations.csv", generationsTable);
    writeFileAtomically(dir, "summary.csv", summaryTable);
    return missing;
}

}  // namespace murelta
