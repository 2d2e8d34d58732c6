// Small helpers the test suites share: allocated states, targets, temporary folders, files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "network/presets.hpp"
#include "run/set_parameters.hpp"
#include "sim/error.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "world/arena.hpp"

namespace murelta::fixtures {

// A state read from p and allocated, as "Set parameters" leaves it but without links.
inline SimState allocatedState(const Params& p) {
    SimState s;
    readParams(s, p);
    allocateStructures(s);
    return s;
}

// The default parameters with `agents` agents.
inline SimState allocatedState(int agents) {
    Params p;
    p.agents = std::to_string(agents);
    return allocatedState(p);
}

// Marks a target block of (size + 1)^2 cells with its top-left cell at (x, y), and sums the
// target cells up again for perception.
inline void putTarget(SimState& s, int x, int y, int size) {
    for (int i = 0; i <= size; ++i) {
        for (int j = 0; j <= size; ++j) {
            s.arena(x + i, y + j) = kTargetCell;
        }
    }
    sumTargets(s);
}

// The small simulation whose data file is kept in the tests: genes, costs, a leader, an
// enlarged retina and a limited range all take part, so the file pins every draw and formula.
inline SimState keptFileState() {
    Params p;
    p.width = "40";
    p.height = "40";
    p.cycles = "30";
    p.runs = "8";
    p.retina = "3";
    p.seed = "3";
    p.pConnection = "0.3";
    p.expGeneOn = true;
    p.expCostOn = true;
    p.comCostOn = true;
    SimState s;
    setParameters(s, p, "small");
    applyPreset(s, "Tab 11c", p.agents);
    return s;
}

#ifdef MURELTA_TEST_DATA
inline std::filesystem::path keptFilePath() {
    return std::filesystem::path(MURELTA_TEST_DATA) / "small_run.xls";
}
#endif

// Whether `body` throws Error with `part` in its message; a failure says what happened instead.
template <typename Body>
::testing::AssertionResult throwsError(Body body, std::string_view part) {
    try {
        body();
    } catch (const Error& e) {
        if (std::string_view(e.what()).find(part) != std::string_view::npos) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "the error says: " << e.what();
    }
    return ::testing::AssertionFailure() << "no error";
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// An empty folder of its own for the running test, removed afterwards. Its name is unique, so
// tests running at once (ctest -j, two checkouts) never share one.
class TempDir {
  public:
    TempDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        // Parameterised tests have a '/' in their names; one folder level keeps cleanup whole.
        std::string name = std::string("murelta-") + test->test_suite_name() + "-" + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        std::string pattern =
            (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("Cannot create a temporary folder " + pattern);
        }
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace murelta::fixtures
