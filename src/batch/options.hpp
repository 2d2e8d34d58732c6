// The options of a simulation run by murelta-batch, and which of them a command line names.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <optional>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include "run/data_file.hpp"
#include "sim/parameter_table.hpp"
#include "sim/params.hpp"

namespace murelta::batch {

// What a simulation's options are read into: the texts and flags of one experiment, and the
// runner's own.
struct SimulationOptions {
    Params typed;
    std::string preset;
    std::string label{kDefaultLabel};
    std::string out = ".";
    std::string experimentFile;
    std::string saveFile;
    bool showGenes = false;
    int threads = 0;  // 0 when not given: one per core
    std::vector<std::pair<CLI::Option*, const TextParameter*>> texts;
    std::vector<std::pair<CLI::Option*, const FlagParameter*>> flags;
    CLI::Option* labelOption = nullptr;
    CLI::Option* presetOption = nullptr;
    CLI::Option* experimentOption = nullptr;
};

// The subcommands, which a word of the command line names.
inline constexpr std::array<std::string_view, 3> kSubcommands{"sweep", "calibrate", "collect"};

// The options a command line names when it names only a simulation's options, each as
// "--name value", "--name=value" or, for a flag, "--name", with no value that starts with "-"
// or is a subcommand's name; none when it holds anything else. Such a line parses the same
// with only those options registered, since none of its words could be read as another option,
// a subcommand or a word on its own.
std::optional<std::vector<std::string>> simulationOptionsNamed(int argc,
                                                               const char* const* argv);

// Registers a simulation's options and the version's on `app`: of the simulation's, only those
// `named`, when given, else all of them.
void addSimulationOptions(CLI::App& app, SimulationOptions& options,
                          const std::optional<std::vector<std::string>>& named);

// The option was registered and given.
inline bool given(const CLI::Option* option) {
    return option != nullptr && option->count() > 0;
}

}  // namespace murelta::batch
