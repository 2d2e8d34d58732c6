#include "batch/options.hpp"

#include <algorithm>
#include <string_view>

#include "experiment/record.hpp"
#include "network/presets.hpp"

namespace murelta::batch {

namespace {

// The runner's own options besides the parameters' and the version's and help's.
constexpr std::array<std::string_view, 6> kValueOptions{"label",   "preset",     "out",
                                                        "threads", "experiment", "save-experiment"};
constexpr std::string_view kGenesFlag = "show-genes";

enum class Kind { kNone, kFlag, kValue };

Kind kindOf(std::string_view name) {
    for (const TextParameter& parameter : kTextParameters) {
        if (name == parameter.key) {
            return Kind::kValue;
        }
    }
    for (const FlagParameter& parameter : kFlagParameters) {
        if (name == parameter.key) {
            return Kind::kFlag;
        }
    }
    if (std::find(kValueOptions.begin(), kValueOptions.end(), name) != kValueOptions.end()) {
        return Kind::kValue;
    }
    return name == kGenesFlag ? Kind::kFlag : Kind::kNone;
}

}  // namespace

std::optional<std::vector<std::string>> simulationOptionsNamed(int argc,
                                                               const char* const* argv) {
    std::vector<std::string> named;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word.size() <= 2 || !word.starts_with("--")) {
            return std::nullopt;
        }
        const std::string_view body = word.substr(2);
        const std::size_t equals = body.find('=');
        const std::string_view name = body.substr(0, equals);
        const Kind kind = kindOf(name);
        if (kind == Kind::kNone || (kind == Kind::kFlag && equals != std::string_view::npos)) {
            return std::nullopt;
        }
        if (kind == Kind::kValue && equals == std::string_view::npos) {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            const std::string_view value = argv[++i];
            if (value.starts_with("-") ||
                std::find(kSubcommands.begin(), kSubcommands.end(), value) != kSubcommands.end()) {
                return std::nullopt;
            }
        }
        named.emplace_back(name);
    }
    return named;
}

void addSimulationOptions(CLI::App& app, SimulationOptions& options,
                          const std::optional<std::vector<std::string>>& named) {
    const auto wanted = [&](std::string_view name) {
        return !named || std::find(named->begin(), named->end(), name) != named->end();
    };
    for (const TextParameter& parameter : kTextParameters) {
        if (wanted(parameter.key)) {
            options.texts.emplace_back(
                app.add_option("--" + std::string(parameter.key),
                               options.typed.*(parameter.member),
                               std::string(parameter.label) + ": " + parameter.help),
                &parameter);
        }
    }
    for (const FlagParameter& parameter : kFlagParameters) {
        if (wanted(parameter.key)) {
            options.flags.emplace_back(
                app.add_flag("--" + std::string(parameter.key), options.typed.*(parameter.member),
                             std::string(parameter.label) + ": " + parameter.help),
                &parameter);
        }
    }
    app.set_version_flag("--version", "murelta-batch " + programVersion());
    if (wanted(kGenesFlag)) {
        app.add_flag("--show-genes", options.showGenes,
                     "Print the population's mean genes after each generation");
    }
    if (wanted("label")) {
        options.labelOption = app.add_option("--label", options.label, "Name part of the data file");
    }
    if (wanted("preset")) {
        options.presetOption =
            app.add_option("--preset", options.preset, "Paper preset applied to the network")
                ->check(CLI::IsMember(
                    std::vector<std::string>(kPresetNames.begin(), kPresetNames.end())));
    }
    if (wanted("out")) {
        app.add_option("--out", options.out,
                       "Folder the data file and the record are written to (made when missing)");
    }
    // The threads' default is this machine's core count, which the help does not show: a
    // manual page made from it would state the build machine's.
    if (wanted("threads")) {
        app.add_option("--threads", options.threads,
                       "Threads the runs of a generation go to (1: one after the other; by "
                       "default one per core); the results are the same for every count")
            ->check(CLI::Range(1, 1024))
            ->default_str("");
    }
    if (wanted("experiment")) {
        options.experimentOption = app.add_option(
            "--experiment", options.experimentFile,
            "Experiment file (TOML) or record to run; options given here override its values");
    }
    if (wanted("save-experiment")) {
        app.add_option("--save-experiment", options.saveFile,
                       "Write the experiment these options describe to this file, without running");
    }
}

}  // namespace murelta::batch
