#include "batch/options.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace murelta::batch {
namespace {

using Line = std::vector<std::string>;

std::vector<const char*> argvOf(const Line& line) {
    std::vector<const char*> argv{"murelta-batch"};
    for (const std::string& word : line) {
        argv.push_back(word.c_str());
    }
    return argv;
}

// What a parse left: every value, the options given, and the refusal, as one text.
std::string parsed(const Line& line, bool onlyNamed) {
    const std::vector<const char*> argv = argvOf(line);
    const auto argc = static_cast<int>(argv.size());
    CLI::App app{"", "murelta-batch"};
    app.option_defaults()->always_capture_default();
    SimulationOptions options;
    const auto named = onlyNamed ? simulationOptionsNamed(argc, argv.data()) : std::nullopt;
    addSimulationOptions(app, options, named);
    if (!onlyNamed) {
        // The subcommands a full registration adds, whose names a value could collide with.
        for (const std::string_view name : kSubcommands) {
            app.add_subcommand(std::string(name));
        }
    }
    std::string text;
    try {
        app.parse(argc, argv.data());
    } catch (const CLI::ParseError& e) {
        text += "refused: " + std::string(e.what()) + "\n";
    }
    for (const TextParameter& parameter : kTextParameters) {
        text += std::string(parameter.key) + "=" + options.typed.*(parameter.member) + "\n";
    }
    for (const FlagParameter& parameter : kFlagParameters) {
        text += std::string(parameter.key) + "=" + (options.typed.*(parameter.member) ? "1" : "0");
    }
    text += options.preset + "|" + options.label + "|" + options.out + "|" +
            options.experimentFile + "|" + options.saveFile + "|" +
            std::to_string(options.showGenes) + "|" + std::to_string(options.threads) + "\n";
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() > 0) {
            text += "given " + option->get_name() + "\n";
        }
    }
    return text;
}

TEST(BatchOptions, ALineOfSimulationOptionsParsesAsWithEveryOptionRegistered) {
    const std::vector<Line> lines{
        {},
        {"--threads", "1", "--retina", "60", "--runs", "300", "--out", "/tmp/x"},
        {"--agents=5", "--same-start", "--label", "calibrate-me", "--show-genes"},
        {"--label=sweep", "--preset", "Tab 10b", "--exp-gene", "--com-gene"},
        {"--runs", "abc"},
        {"--threads", "0"},
        {"--preset", "Tab99"},
        {"--runs", "3", "--runs", "4"},
        {"--width", "60", "--experiment", "e.toml", "--save-experiment", "f.toml"},
    };
    for (const Line& line : lines) {
        const std::vector<const char*> argv = argvOf(line);
        ASSERT_TRUE(simulationOptionsNamed(static_cast<int>(argv.size()), argv.data()))
            << testing::PrintToString(line);
        EXPECT_EQ(parsed(line, true), parsed(line, false)) << testing::PrintToString(line);
    }
}

TEST(BatchOptions, AnythingElseRegistersEveryOption) {
    const std::vector<Line> lines{
        {"--help"},         {"-h"},
        {"--version"},      {"--help-all"},
        {"sweep", "x"},     {"--runs", "3", "collect", "d"},
        {"--label", "sweep"},  // the subcommand, not the label, to CLI11
        {"--com-cost", "-1"},  {"--runs"},
        {"--bogus"},        {"--same-start=true"},
        {"--"},             {"--runs", "3", "extra"},
        {"-"},
    };
    for (const Line& line : lines) {
        const std::vector<const char*> argv = argvOf(line);
        EXPECT_FALSE(simulationOptionsNamed(static_cast<int>(argv.size()), argv.data()))
            << testing::PrintToString(line);
    }
}

TEST(BatchOptions, EveryRegisteredOptionIsKnownWithItsValue) {
    CLI::App app;
    SimulationOptions options;
    addSimulationOptions(app, options, std::nullopt);
    int checked = 0;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            if (name == "help" || name == "version") {
                continue;
            }
            Line line{"--" + name};
            if (option->get_expected_max() > 0) {
                line.emplace_back("1");
            }
            const std::vector<const char*> argv = argvOf(line);
            const auto named = simulationOptionsNamed(static_cast<int>(argv.size()), argv.data());
            ASSERT_TRUE(named) << name;
            EXPECT_EQ(*named, std::vector<std::string>{name});
            ++checked;
        }
    }
    EXPECT_GT(checked, 25);
}

}  // namespace
}  // namespace murelta::batch
