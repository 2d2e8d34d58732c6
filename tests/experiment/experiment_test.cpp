// Tests for experiment files: the round trip of a designed network, and bad files refused with
// a message that names the file, the line and the key.
#include "experiment/experiment.hpp"

#include <gtest/gtest.h>
#include <toml++/toml.h>

#include <climits>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>

#include "support/fixtures.hpp"

#include "experiment/record.hpp"
#include "experiment/toml_lines.hpp"
#include "network/links.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/simulation.hpp"
#include "sim/error.hpp"
#include "sim/state.hpp"
#include "support/test_host.hpp"

namespace murelta {
namespace {

// What the designer leaves in a state: links in both directions and one way, a leader and a
// rank 2, three retinas, the "space dependent" range.
SimState designedState(Params& p) {
    p.agents = "6";
    p.foods = "2";
    p.runs = "4";
    p.cycles = "400";
    p.width = "30";
    p.height = "30";
    SimState s;
    setParameters(s, p, "designed");
    setBiLink(s, 0, 1);
    setMonoLink(s, 2, 3);
    setMonoLink(s, 5, 0);
    s.agent(0).rank = 1;
    s.agent(4).rank = 2;
    setRetina(s.agent(1), 3);
    setRetina(s.agent(2), 12);
    s.commRadius = kSpaceDependentRadius;
    return s;
}

struct Network {
    std::vector<std::vector<std::uint8_t>> links;
    std::vector<std::int16_t> ranks;
    std::vector<double> retinas;
    double commRadius;
    friend bool operator==(const Network&, const Network&) = default;
};

Network networkOf(const SimState& s) {
    Network n{{}, {}, {}, s.commRadius};
    for (int i = 0; i < s.groupSize; ++i) {
        n.links.push_back(s.agent(i).links);
        n.ranks.push_back(s.agent(i).rank);
        n.retinas.push_back(s.agent(i).retina);
    }
    return n;
}

std::string dataFileOf(SimState& s, const std::filesystem::path& directory) {
    DataFolder folder(directory);
    return fixtures::readFile(runSimulation(s, SimulationSetup(folder)).dataFile);
}

TEST(Experiment, ADesignedNetworkSurvivesSavingAndLoading) {
    Params p;
    SimState designed = designedState(p);
    const Experiment saved = captureExperiment(designed, p, "designed");
    const std::string text = experimentText(saved);

    SimState loaded;
    applyExperiment(loaded, parseExperiment(text, "designed.toml"));
    EXPECT_EQ(networkOf(loaded), networkOf(designed));
    EXPECT_EQ(experimentText(captureExperiment(loaded, p, "designed")), text);

    const fixtures::TempDir dir;
    std::filesystem::create_directories(dir.path() / "before");
    std::filesystem::create_directories(dir.path() / "after");
    EXPECT_EQ(dataFileOf(designed, dir.path() / "before"),
              dataFileOf(loaded, dir.path() / "after"));
}

TEST(Experiment, AHandWrittenFileNeedsOnlyWhatDiffers) {
    const Experiment e = parseExperiment(R"(# fifty agents in a paper's configuration
[parameters]
agents = "50"
runs = 5
p = 0.25

[network]
preset = "Tab 10b"
)",
                                         "short.toml");
    EXPECT_EQ(e.params.agents, "50");
    EXPECT_EQ(e.params.runs, "5");
    EXPECT_EQ(e.params.pConnection, "0.25");
    EXPECT_EQ(e.params.cycles, Params{}.cycles);
    SimState s;
    applyExperiment(s, e);
    EXPECT_EQ(s.agent(0).rank, 1);        // the preset's leader
    EXPECT_EQ(s.agent(25).retina, 15.0);  // and its middle agent's retina
}

// Format 1 also held the targets' sizes, which no run used: such files open, the sizes dropped.
TEST(Experiment, AFileOfTheFirstFormatOpensWithoutItsTargetSizes) {
    const Experiment e = parseExperiment(
        "format = 1\n[parameters]\nfoods = \"2\"\n[targets]\nsizes = [ 1, 3 ]\n", "old.toml");
    EXPECT_EQ(e.params.foods, "2");
    EXPECT_EQ(experimentText(e).find("[targets]"), std::string::npos);
}

// Receivers are written as ranges in one line, and read in that form and as a list of indexes,
// so files written before still open. Everything else keeps the bytes toml++ gives it.
TEST(Experiment, ReceiversAreRangesWrittenInOneLineAndReadInEitherForm) {
    const std::string head =
        "[parameters]\nagents = \"10\"\n[[network.agents]]\nindex = 3\nretina = 5\nreceivers = ";
    const Experiment list = parseExperiment(head + "[0, 1, 2, 4, 7, 8, 9]\n", "list.toml");
    const Experiment ranges = parseExperiment(head + "\"0-2, 4,7 - 9\"\n", "ranges.toml");
    EXPECT_EQ(list, ranges);
    EXPECT_EQ(list.agents.at(0).receivers.size(), 7U);

    Experiment e = list;
    e.agents.push_back({5, {}, 1, 2.5});
    const std::string agents =
        "[[network.agents]]\nindex = 3\nleader = false\nrank = 0\nreceivers = '0-2, 4, 7-9'\n"
        "retina = 5.0\n\n[[network.agents]]\nindex = 5\nleader = true\nrank = 1\n"
        "receivers = ''\nretina = 2.5\n";
    const std::string text = experimentText(e);
    EXPECT_TRUE(text.ends_with("\n\n" + agents)) << text;
    EXPECT_EQ(experimentText(parseExperiment(text, "saved.toml")), text);
    // With keys of its own the network table indents its agents, as toml++ does.
    e.preset = "Tab 10b";
    e.rangeRadius = kSpaceDependentRadius;
    const std::string indented =
        "[network]\npreset = 'Tab 10b'\nrange = 'space dependent'\n\n    [[network.agents]]\n"
        "    index = 3\n    leader = false\n    rank = 0\n    receivers = '0-2, 4, 7-9'\n"
        "    retina = 5.0\n\n    [[network.agents]]\n    index = 5\n    leader = true\n"
        "    rank = 1\n    receivers = ''\n    retina = 2.5\n";
    EXPECT_TRUE(experimentText(e).ends_with("\n\n" + indented)) << experimentText(e);
}

// A list of millions is refused before it is built, naming the agent.
TEST(Experiment, AHugeListOfReceiversIsRefusedBeforeItIsRead) {
    std::string text = "[[network.agents]]\nindex = 4\nretina = 5\nreceivers = [";
    for (int i = 0; i < 1000000; ++i) {
        text += "1, ";
    }
    EXPECT_TRUE(fixtures::throwsError([&] { parseExperiment(text + "1]\n", "huge.toml"); },
                                      "huge.toml, line 4, receivers: agent 4 names more than"));
}

// The record names the preset beside the agents it expanded, and still gives the same network.
TEST(Experiment, ACapturedNetworkKeepsItsPreset) {
    Experiment e;
    e.params.agents = "50";
    e.params.pConnection = "0.3";
    e.preset = "Tab 10b";
    SimState s;
    applyExperiment(s, e);
    const std::string text = experimentText(captureExperiment(s, e.params, e.label, e.preset));
    EXPECT_NE(text.find("\n[network]\npreset = 'Tab 10b'\n"), std::string::npos);
    SimState again;
    applyExperiment(again, parseExperiment(text, "record.toml"));
    EXPECT_EQ(networkOf(again), networkOf(s));
}

// The record and the results are counted before a start too: one agent's 32767 runs in each of
// 1000 generations fit as a simulation alone, but not with the table of runs its record builds.
TEST(Experiment, TheRecordCountsTowardsTheMemoryLimit) {
    Params p;
    p.agents = "1";
    p.width = "0";
    p.height = "0";
    p.foods = "0";
    p.cycles = "0";
    p.runs = "32767";
    p.generations = "1000";
    SimState s;
    setParameters(s, p, "many");
    EXPECT_EQ(threadsThatFit(s, 1), 1);
    EXPECT_TRUE(
        fixtures::throwsError([&] { recordThreads(s, Experiment{}, 1); }, "for its record"));
}

struct BadFile {
    const char* name;
    std::string text;
    const char* says;  // part of the message after the file's name
};

class BadFiles : public ::testing::TestWithParam<BadFile> {};

// Every fault gives one message naming the file, the line and the key, and nothing changes.
TEST_P(BadFiles, AreRefusedWithANamedMessageAndNothingChanges) {
    SimState s;
    Params p;
    setParameters(s, p, "kept");
    setBiLink(s, 1, 2);
    const Network before = networkOf(s);
    try {
        applyExperiment(s, parseExperiment(GetParam().text, "bad.toml"));
        FAIL() << "accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(std::string(e.what()).starts_with("bad.toml, line ")) << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().says), std::string::npos) << e.what();
    }
    EXPECT_EQ(networkOf(s), before);
    EXPECT_TRUE(hasStructures(s));
}

// A table header of 50,000 dotted parts, as overflowed the parser's stack.
const std::string deepKey = [] {
    std::string key = "[a";
    for (int i = 0; i < 50000; ++i) {
        key += ".a";
    }
    return key + "]\n";
}();

INSTANTIATE_TEST_SUITE_P(
    Table, BadFiles,
    ::testing::Values(
        BadFile{"Syntax", "[parameters]\nagents = \"10\n", "line 2: not a valid TOML file"},
        BadFile{"UnknownTable", "[parmeters]\n", "parmeters: unknown key in the file"},
        BadFile{"UnknownParameter", "[parameters]\nagnets = \"5\"\n", "agnets: unknown parameter"},
        BadFile{"TextOfWrongType", "[parameters]\nagents = true\n", "agents: must be a text"},
        BadFile{"FlagOfWrongType", "[parameters]\nfirst-out = \"yes\"\n",
                "line 2, first-out: must be true or false"},
        BadFile{"NotANumber", "[parameters]\n\nretina = \"abc\"\n",
                "line 3, retina: Retina radius: \"abc\" is not a number"},
        BadFile{"OutOfRange", "[parameters]\nagents = \"40000\"\n",
                "line 2, agents: Group size: 40000 is outside the range"},
        BadFile{"CannotStart", "[parameters]\ngenerations = \"0\"\n",
                "line 2, generations: Generations must be at least 1"},
        BadFile{"TooLarge", "[parameters]\nwidth = 32000\nheight = 32000\n",
                "line 2, width: An arena of 32000 x 32000 with 10 agents needs 33208 MB"},
        BadFile{"NewerFormat", "format = 3\n", "line 1, format: written by a newer Murelta"},
        BadFile{"UnknownPreset", "[network]\npreset = \"Tab 13\"\n",
                "line 2, preset: \"Tab 13\" is not a preset"},
        BadFile{"UnknownRange", "[network]\nrange = \"far\"\n",
                "range: must be \"space dependent\""},
        BadFile{"ReceiverOutsideTheGroup",
                "[[network.agents]]\nindex = 1\nretina = 5\nreceivers = [2, 10]\n",
                "line 4, receivers: agent 1 names receiver 10, which does not exist"},
        BadFile{"ReceiverTwice",
                "[[network.agents]]\nindex = 1\nretina = 5\nreceivers = [2, 3, 2]\n",
                "line 4, receivers: agent 1 names receiver 2 twice"},
        BadFile{"RangesOverlap",
                "[[network.agents]]\nindex = 1\nretina = 5\nreceivers = \"0-4, 6, 3-5\"\n",
                "line 4, receivers: agent 1 names receiver 3 twice"},
        BadFile{"RangeDownward", "[[network.agents]]\nindex = 1\nretina = 5\nreceivers = \"4-2\"\n",
                "agent 1: \"4-2\" is not a receiver or a range"},
        BadFile{"ReceiverOutsideEveryGroup",
                "[[network.agents]]\nindex = 1\nretina = 5\nreceivers = [40000]\n",
                "agent 1 names receiver 40000; receivers are agent indexes from 0 to 32766"},
        BadFile{"AgentOutsideTheGroup", "[[network.agents]]\nindex = 12\nretina = 5\n",
                "line 1, index: there is no agent 12"},
        BadFile{"AgentTwice",
                "[[network.agents]]\nindex = 1\nretina = 5\n[[network.agents]]\nindex = 1\n"
                "retina = 5\n",
                "line 4, index: agent 1 is listed twice"},
        BadFile{"LeaderAgainstRank",
                "[[network.agents]]\nindex = 1\nretina = 5\nrank = 2\n"
                "leader = true\n",
                "line 5, leader: disagrees with rank 2"},
        BadFile{"RetinaTooLarge", "[[network.agents]]\nindex = 1\nretina = 91\n",
                "line 3, retina: must be a number from 0 to 90"},
        BadFile{"UnknownAgentKey", "[[network.agents]]\nindex = 1\nretina = 5\nlinks = []\n",
                "line 4, links: unknown key in an agent"},
        // Keys that would have no effect.
        BadFile{"TargetSizes", "[targets]\nsizes = [30]\n",
                "line 1, targets: a run's start sets every target's size from \"Foods size\""},
        BadFile{"SweptPresetUnknown", "[sweep]\npreset = [\"None\", \"Tab 1a\"]\n",
                "line 2, preset: \"Tab 1a\" is not a preset"},
        BadFile{"SweptRadiusUnderAPreset",
                "[network]\npreset = \"Tab 10b\"\n[sweep]\ncom-radius = [\"5\", \"100\"]\n",
                "line 4, com-radius: is swept, but the preset \"Tab 10b\" (line 2) sets"},
        BadFile{"SweptRadiusUnderSweptPresets",
                "[sweep]\npreset = [\"Tab 1\"]\ncom-radius = [\"5\", \"100\"]\n",
                "line 3, com-radius: is swept, but the swept preset sets"},
        BadFile{"SweptRadiusUnderTheRange",
                "[network]\nrange = \"space dependent\"\n[sweep]\ncom-radius = [\"5\"]\n",
                "line 4, com-radius: is swept, but [network] range (line 2)"},
        BadFile{"SweptRetinaOfListedAgents",
                "[[network.agents]]\nindex = 1\nretina = 5\n[sweep]\nretina = [\"3\", \"9\"]\n",
                "line 5, retina: is swept, but agent 1 is listed in [network] (line 1)"},
        BadFile{"SweptConnectionOfListedAgents",
                "[[network.agents]]\nindex = 1\nretina = 5\n[sweep]\np = [\"0\", \"1\"]\n",
                "line 5, p: is swept, but agent 1 is listed"},
        BadFile{"SweptLastOut", "[sweep]\nlast-out = [true, false]\n",
                "line 2, last-out: is swept, but Last Out only marks"},
        // Designs.
        BadFile{"DesignUnknownMethod", "[design]\nmethod = \"grid\"\nsamples = 4\n",
                "line 2, method: \"grid\" is no design"},
        BadFile{"DesignLevelsWithoutMorris",
                "[design]\nmethod = \"lhs\"\nsamples = 4\nlevels = 4\n"
                "[design.factors]\nretina = { from = 1, to = 9 }\n",
                "line 4, levels: only a morris design has levels"},
        BadFile{"DesignFlagFactor",
                "[design]\nmethod = \"lhs\"\nsamples = 4\n[design.factors]\n"
                "first-out = { from = 0, to = 1 }\n",
                "line 5, first-out: cannot be a factor"},
        BadFile{"DesignEmptyRange",
                "[design]\nmethod = \"lhs\"\nsamples = 4\n[design.factors]\n"
                "retina = { from = 9, to = 9 }\n",
                "line 5, retina: a factor's range needs finite numbers from and to, from below"},
        BadFile{"DesignFactorSwept",
                "[sweep]\nretina = [\"1\", \"2\"]\n[design]\nmethod = \"lhs\"\nsamples = 4\n"
                "[design.factors]\nretina = { from = 1, to = 9 }\n",
                "line 7, retina: is swept (line 2) and a factor of the design"},
        BadFile{"DesignRadiusUnderAPreset",
                "[network]\npreset = \"Tab 10b\"\n[design]\nmethod = \"sobol\"\nsamples = 4\n"
                "[design.factors]\ncom-radius = { from = 1, to = 50 }\n",
                "line 7, com-radius: is a factor of the design, but the preset \"Tab 10b\" (line "
                "2) sets the communication radius in every configuration; vary one or the other"},
        BadFile{"DesignSeed",
                "[design]\nmethod = \"lhs\"\nsamples = 4\n[design.factors]\n"
                "seed = { from = 0, to = 9 }\n",
                "line 5, seed: is a factor of the design, but Initial Seed decides"},
        BadFile{"DesignPointThatCannotRun",
                "[design]\nmethod = \"lhs\"\nsamples = 4\n[design.factors]\n"
                "retina = { from = 1, to = 200 }\n",
                "line 1, design: configuration "},
        // A calibration's faults, each before anything runs.
        BadFile{"CalibrationWithoutFreeParameters",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.targets]\nlast_mean = 300\n",
                "line 3, calibration: needs free parameters"},
        BadFile{"CalibrationBoundsReversed",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 20, to = 1 }\n[calibration.targets]\nlast_mean = 300\n",
                "line 8, retina: a free parameter's range needs finite numbers from and to, "
                "from below to"},
        BadFile{"CalibrationUnknownTarget",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 1, to = 20 }\n[calibration.targets]\nlast_maen = 300\n",
                "line 10, last_maen: is no statistic of summary.csv"},
        BadFile{"CalibrationRunsTarget",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 1, to = 20 }\n[calibration.targets]\nruns = 300\n",
                "line 10, runs: is no statistic of summary.csv"},
        BadFile{"CalibrationFreeParameterAPresetReplaces",
                "[parameters]\nruns = \"4\"\n[network]\npreset = \"Tab 10b\"\n[calibration]\n"
                "method = \"cmaes\"\nevaluations = 40\npopulation = 8\n[calibration.free]\n"
                "p = { from = 0, to = 1 }\n[calibration.targets]\nlast_mean = 300\n",
                "line 10, p: is a free parameter of the calibration, but the preset \"Tab 10b\" "
                "(line 4) replaces the random network"},
        BadFile{"CalibrationBudgetBelowAPopulation",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 6\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 1, to = 20 }\n[calibration.targets]\nlast_mean = 300\n",
                "line 5, evaluations: a budget of 6 is below one population of 8"},
        BadFile{"CalibrationNsga2OfOneTarget",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"nsga2\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 1, to = 20 }\n[calibration.targets]\nlast_mean = 300\n",
                "line 9, targets: nsga2 makes a front of two or more targets"},
        BadFile{"CalibrationOfOneRun",
                "[parameters]\nruns = \"1\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 1, to = 20 }\n[calibration.targets]\nlast_mean = 300\n",
                "line 3, calibration: needs at least 2 runs"},
        BadFile{"CalibrationCandidateThatCannotRun",
                "[parameters]\nruns = \"4\"\n[calibration]\nmethod = \"cmaes\"\n"
                "evaluations = 40\npopulation = 8\n[calibration.free]\n"
                "retina = { from = 1, to = 200 }\n[calibration.targets]\nlast_mean = 300\n",
                "line 3, calibration: the candidate at the upper bounds cannot run"},
        // Ranges of numbers that are not finite.
        BadFile{"RangeFromNaN", "[sweep]\nagents = { from = nan, to = 9, step = 1 }\n",
                "line 2, agents: the range's from is NaN"},
        BadFile{"RangeStepInfinite", "[sweep]\nagents = { from = 1, to = 9, step = inf }\n",
                "line 2, agents: the range's step is Infinity"},
        // Keys deeper than the parser can take, refused before it sees them.
        BadFile{"DeepKey", "[parameters]\nlabel = \"a.b.c\"\n" + deepKey,
                "line 3: a key of more than 16"},
        BadFile{"CostThatMakesFitnessInfinite",
                "[parameters]\ncom-cost = \"1e308\"\ncom-cost-on = true\n",
                "line 2, com-cost: Communication Cost 1E+308 is too large"}),
    [](const ::testing::TestParamInfo<BadFile>& row) { return row.param.name; });

}  // namespace
}  // namespace murelta

TEST(Experiment, LinesAreWrittenAsTomlWritesThem) {
    const auto toml = [](std::string_view key, const auto& value) {
        std::ostringstream line;
        line << toml::table{{key, value}};
        return line.str();
    };
    for (const std::string_view key : {"retina", "com-radius", "a_b", "x y", "", "ключ"}) {
        for (const double value : {0.0, -0.0, 60.0, 5.5, 0.1, 1.0 / 3.0, -2.5e-300, 1e16, 1e17,
                                   123456789012345678.0, 5e-324, 1.7976931348623157e308,
                                   std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()}) {
            EXPECT_EQ(murelta::tomlLine(key, value), toml(key, value)) << key << " " << value;
        }
        for (const std::int64_t value : {std::int64_t{0}, std::int64_t{-7}, INT64_MIN, INT64_MAX}) {
            EXPECT_EQ(murelta::tomlLine(key, value), toml(key, value)) << key << " " << value;
        }
        for (const bool value : {false, true}) {
            EXPECT_EQ(murelta::tomlLine(key, value), toml(key, value)) << key;
        }
        for (const std::string& value :
             {std::string(), std::string("untitle"), std::string("0-4, 6-9"),
              std::string("it's"), std::string("a\"b\\c"), std::string("tab\there"),
              std::string("line\nbreak"), std::string("\x7f"), std::string("é"),
              std::string("~ !#")}) {
            EXPECT_EQ(murelta::tomlLine(key, value), toml(key, value)) << key << " " << value;
        }
    }
}

// Checking an experiment without its text answers what writing and reading the text answers:
// the same experiment, or the same refusal, key and problem.
TEST(Experiment, CheckedWithoutItsTextAsThroughIt) {
    using murelta::Experiment;
    const auto outcome = [](const auto& check) -> std::pair<std::optional<Experiment>, std::string> {
        try {
            return {check(), ""};
        } catch (const murelta::ExperimentError& e) {
            return {std::nullopt, e.key() + " | " + e.problem() + " | " + e.what()};
        } catch (const murelta::Error& e) {
            return {std::nullopt, std::string("error | ") + e.what()};
        }
    };
    const std::vector<std::function<void(Experiment&)>> cases = {
        [](Experiment&) {},
        [](Experiment& e) { e.params.agents = "50", e.preset = "Tab 10b"; },
        [](Experiment& e) { e.label = "it's \"a\" \\ ~ #.b.c.d"; },
        [](Experiment& e) { e.label = "é"; },
        [](Experiment& e) { e.label = "\xff\xfe"; },
        [](Experiment& e) { e.label = std::string(5000, 'a'); },
        [](Experiment& e) { e.params.retina = "5.5", e.params.pConnection = "0.25"; },
        [](Experiment& e) { e.params.agents = "abc"; },
        [](Experiment& e) { e.params.width = "0"; },
        [](Experiment& e) { e.params.retina = "-1"; },
        [](Experiment& e) { e.params.height = "30000", e.params.agents = "30000"; },
        [](Experiment& e) { e.params.cycles = "1e9"; },
        [](Experiment& e) { e.params.comCost = "1e308", e.params.comCostOn = true; },
        [](Experiment& e) { e.preset = "Tab 99"; },
        [](Experiment& e) { e.agents = {{12, {}, 1, 3.0}}; },
        [](Experiment& e) { e.agents = {{2, {}, 1, 3.0}}; },
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        Experiment e;
        cases[c](e);
        const auto direct = outcome([&] { return murelta::checkedAsFile(e, "the options"); });
        const auto text = outcome(
            [&] { return murelta::parseExperiment(murelta::experimentText(e), "the options"); });
        EXPECT_EQ(direct.first, text.first) << "case " << c;
        EXPECT_EQ(direct.second, text.second) << "case " << c;
    }
}
