// Random parameter sets, valid and invalid, through "Set parameters", the start checks and a
// short run: every set either runs to a complete data file or is refused with an Error and leaves
// no file behind.
#include <gtest/gtest.h>

#include "support/fixtures.hpp"
#include "support/test_seed.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "support/test_host.hpp"

namespace murelta {
namespace {

using Rng = std::mt19937_64;

// Texts that are not plain numbers, or numbers in an unusual spelling.
const std::vector<std::string> kOddTexts = {"abc", "",    "1e400", "1e-400", "1,000", " 5 ",
                                            "-0",  "nan", "inf",   "-inf",   "0x10",  "+3",
                                            "2.5", "3.5", "1e3",   "5abc",   "\t7\n", "1 000",
                                            "+-1", ".",   "-",     "e5",     "1.5e1", "\xc2\xbd"};

struct Field {
    std::string Params::*text;
    bool integer;
    int smallFrom;  // ordinary values are whole numbers in smallFrom..smallTo
    int smallTo;
    std::vector<std::string> limits;
    bool shrinks;  // a size or count that makes a run longer
};

const std::vector<Field>& fields() {
    static const std::vector<Field> all = {
        {&Params::agents, true, 1, 8, {"0", "-1", "1", "50", "32767", "32768", "-32769"}, true},
        {&Params::retina, true, 0, 6, {"0", "89", "90", "91", "-1", "32767"}, true},
        {&Params::width, true, 1, 40, {"0", "-1", "32766", "32767", "32768", "20000"}, true},
        {&Params::height, true, 1, 40, {"0", "-1", "32766", "32767", "32768", "20000"}, true},
        {&Params::cycles, true, 0, 40, {"0", "1", "32766", "32767", "32768", "-1"}, true},
        {&Params::foods, true, 0, 3, {"0", "-1", "1000", "32767", "-32768"}, true},
        {&Params::foodSize, true, 0, 3, {"0", "-1", "-32768", "32767", "1000"}, true},
        {&Params::pConnection, false, 0, 1, {"0", "1", "-1", "2", "1e300", "-1e300"}, false},
        {&Params::runs, true, 1, 6, {"0", "-1", "1", "32766", "32767", "32768"}, true},
        {&Params::generations, true, 1, 1, {"0", "-1", "2", "32767"}, true},
        {&Params::comCost, false, 0, 5, {"0", "-1", "1e300", "-1e308", "1e-300"}, false},
        {&Params::expCost, false, 0, 5, {"0", "-1", "1e300", "-1e308", "1e-300"}, false},
        {&Params::commRadius, false, 0, 150, {"0", "-1", "20", "1e300", "70.7106781"}, false},
        {&Params::seed, true, 0, 100, {"32767", "32766", "-32768", "32768", "-1"}, false},
    };
    return all;
}

int uniform(Rng& rng, int from, int to) {
    return std::uniform_int_distribution<int>(from, to)(rng);
}

bool chance(Rng& rng, double p) {
    return std::bernoulli_distribution(p)(rng);
}

template <typename T>
const T& pick(Rng& rng, const std::vector<T>& pool) {
    return pool[static_cast<std::size_t>(uniform(rng, 0, static_cast<int>(pool.size()) - 1))];
}

std::string ordinary(Rng& rng, const Field& field) {
    // The seed most people leave as it is, and the only one with which runs can reach 32767.
    if (field.text == &Params::seed && chance(rng, 0.3)) {
        return "0";
    }
    if (field.integer) {
        return std::to_string(uniform(rng, field.smallFrom, field.smallTo));
    }
    const double value =
        std::uniform_real_distribution<double>(field.smallFrom, field.smallTo)(rng);
    return formatNumber(value);
}

// A value from the bottom of the ordinary range, for a set that would cost too much.
std::string tiny(Rng& rng, const Field& field) {
    return std::to_string(
        uniform(rng, field.smallFrom, field.smallFrom + (field.smallTo - field.smallFrom) / 4));
}

std::string label(Rng& rng) {
    switch (uniform(rng, 0, 9)) {
        case 0:
            return "a/b";
        case 1:
            return std::string(300, 'x');
        case 2:
            return "";
        case 3:
            return "../up";
        case 4:
            return std::string(200, 'y');
        default: {
            std::string text;
            for (int i = uniform(rng, 1, 12); i > 0; --i) {
                text += static_cast<char>(uniform(rng, 'a', 'z'));
            }
            return text;
        }
    }
}

// Roughly the cells a set allocates and touches from "Set parameters" to the end of its runs;
// what a set may cost is bounded by it so that the whole test stays quick. `z` is scratch: a
// state is too large to make afresh for every estimate.
double work(SimState& z, const Params& p) {
    try {
        readParams(z, p);
        checkSizes(z);
    } catch (const Error&) {
        return 0;  // refused before anything is allocated
    }
    const double agents = z.groupSize;
    const double cells = (z.arenaWidth + 1.0) * (z.arenaHeight + 1.0);
    const double view = (2.0 * z.retinaRadius + 1) * (2.0 * z.retinaRadius + 1);
    const double made =
        cells * (agents + 2) + agents * (view + agents) + z.runCount + z.targetCount;
    const double block = (z.targetSize + 1.0) * (z.targetSize + 1.0);
    const double perCycle = agents * (view + agents + 30) + 30;
    const double perRun = 2 * cells + 500 + z.targetCount * (block + 2) +
                          (std::max(0, int{z.cyclesPerRun}) + 1) * perCycle;
    return made + std::max(0, int{z.generationCount}) * (3000 + z.runCount * perRun);
}

// A set costs at most this much work, or kLimitWork when one of its sizes is at a limit that it
// exists to try.
constexpr double kWork = 2e6;
constexpr double kLimitWork = 1e8;

struct Set {
    Params params;
    std::string label;
};

Set randomSet(Rng& rng, SimState& scratch) {
    Set set;
    const bool clean = chance(rng, 0.5);  // half the sets have only numbers in their boxes
    std::vector<std::pair<const Field*, bool>> shrinkable;  // and whether it is at a limit
    for (const Field& field : fields()) {
        std::string& text = set.params.*field.text;
        bool limit = false;
        if (!clean && chance(rng, 0.08)) {
            text = pick(rng, kOddTexts);
        } else if (chance(rng, 0.05)) {
            text = pick(rng, field.limits);
            limit = true;
        } else {
            text = ordinary(rng, field);
        }
        if (field.shrinks) {
            shrinkable.emplace_back(&field, limit);
        }
    }
    Params& p = set.params;
    if (chance(rng, 0.05)) {
        p.foodSize = chance(rng, 0.5) ? p.width : p.height;
    }
    if (chance(rng, 0.05)) {
        // Seed plus runs on either side of 32767.
        try {
            p.seed = std::to_string(32767 - readInteger(p.runs, "Runs") + uniform(rng, -1, 1));
        } catch (const Error&) {
        }
    }
    for (bool* flag : {&p.firstOut, &p.sameStart, &p.lastOut, &p.expCostOn, &p.comCostOn,
                       &p.expGeneOn, &p.comGeneOn}) {
        *flag = chance(rng, 0.5);
    }
    set.label = chance(rng, 0.7) ? std::string(kDefaultLabel) : label(rng);

    // Make the set small enough: ordinary sizes go first, one at a limit only when the rest
    // cannot pay for it.
    std::shuffle(shrinkable.begin(), shrinkable.end(), rng);
    std::stable_partition(shrinkable.begin(), shrinkable.end(),
                          [](const auto& f) { return !f.second; });
    for (const auto& [field, limit] : shrinkable) {
        if (work(scratch, p) > (limit ? kLimitWork : kWork)) {
            p.*field->text = tiny(rng, *field);
        }
    }
    return set;
}

std::string describe(const Set& set) {
    const Params& p = set.params;
    std::ostringstream text;
    text << "agents '" << p.agents << "' retina '" << p.retina << "' width '" << p.width
         << "' height '" << p.height << "' cycles '" << p.cycles << "' foods '" << p.foods
         << "' size '" << p.foodSize << "' p '" << p.pConnection << "' runs '" << p.runs
         << "' generations '" << p.generations << "' costs '" << p.comCost << "' '" << p.expCost
         << "' radius '" << p.commRadius << "' seed '" << p.seed << "' checks " << p.firstOut
         << p.sameStart << p.lastOut << p.expCostOn << p.comCostOn << p.expGeneOn << p.comGeneOn
         << " label of " << set.label.size() << " '" << set.label.substr(0, 20) << "'";
    return text.str();
}

// Counts the cycles that ran and keeps the data file in the test's folder.
class Host : public fixtures::TestHost {
  public:
    explicit Host(std::filesystem::path directory) : directory_(std::move(directory)) {}
    void showProgress(std::int16_t, std::int16_t, std::int16_t, std::int16_t) override { ++cycles; }
    std::filesystem::path dataDirectory() override { return directory_; }
    void dataFileWritten(const std::filesystem::path& path, const std::string&, bool isComplete,
                         bool) override {
        written = path;
        complete = isComplete;
    }
    long cycles = 0;
    std::filesystem::path written;
    bool complete = false;

  private:
    std::filesystem::path directory_;
};

std::vector<std::string> filesIn(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// A complete file: the header, then one row per run, numbered from 0.
void expectCompleteFile(const std::filesystem::path& path, int runs) {
    std::istringstream text(fixtures::readFile(path));
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line, "No.Run\tFirst\tLast\tAg. on target %\r");
    int rows = 0;
    while (std::getline(text, line)) {
        ASSERT_TRUE(line.starts_with(std::to_string(rows) + "\t"))
            << "row " << rows << ": " << line;
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 3) << line;
        ++rows;
    }
    EXPECT_EQ(rows, runs);
}

TEST(RandomInputTest, EverySetRunsToACompleteFileOrIsRefusedWithoutOne) {
    const std::uint64_t seed = fixtures::testSeed("RandomInputTest");
    RecordProperty("seed", std::to_string(seed));
    Rng rng(seed);
    const bool trace = std::getenv("MURELTA_TEST_TRACE") != nullptr;
    fixtures::TempDir temp;
    const std::filesystem::path& dir = temp.path();
    // One state for all sets, as in the desktop program: a refused set must not spoil the next.
    SimState s;
    SimState scratch;
    int accepted = 0;
    for (int i = 0; i < 5000 && !HasFatalFailure(); ++i) {
        const Set set = randomSet(rng, scratch);
        if (trace) {
            std::cout << i << ": " << describe(set) << std::endl;  // names a set that crashes
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + ", set " + std::to_string(i) + ": " +
                     describe(set));
        Host host(dir);
        try {
            setParameters(s, set.params, set.label);
            checkCanStart(s);
            fixtures::runWith(s, host);  // refuses, too, at its start
            ++accepted;
            if (s.generationCount == 1) {
                EXPECT_TRUE(host.complete);
                EXPECT_EQ(host.written, dir / (s.dataFileName + ".xls"));
                expectCompleteFile(host.written, s.runCount);
                std::filesystem::remove(host.written);
            }
        } catch (const Error& e) {
            // A reason known at the start must not end a simulation after it has run.
            EXPECT_EQ(host.cycles, 0) << "refused after the runs: " << e.what();
        }
        EXPECT_EQ(filesIn(dir), std::vector<std::string>{});
    }
    std::cout << accepted << " of 5000 sets ran" << std::endl;
}

}  // namespace
}  // namespace murelta
