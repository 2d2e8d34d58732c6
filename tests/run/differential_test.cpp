// The engine against the plain full-scan model: whole simulations from the same state and seed
// must leave the same trace behind, cycle by cycle, and the same data file, byte for byte.
#include <gtest/gtest.h>

#include "support/fixtures.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "network/links.hpp"
#include "network/presets.hpp"
#include "plain_model.hpp"
#include "run/data_file.hpp"
#include "run/run.hpp"
#include "run/set_parameters.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "support/test_host.hpp"
#include "world/retina.hpp"

#ifndef MURELTA_TEST_DATA
#error "MURELTA_TEST_DATA must name the folder of expected files"
#endif

namespace murelta {
namespace {

// What can be seen of a simulation at the end of a run: every map, view and queue record, and the
// population's scores.
struct Snapshot {
    std::vector<std::int16_t> maps;
    std::vector<std::int16_t> views;
    std::vector<std::int16_t> queue;  // six fields per slot
    std::vector<double> fitness;
    std::vector<int> uses;
    std::vector<int> genes;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// A free slot holds nothing to compare: what the plain model's slot last held is not shown.
void addMessage(std::vector<std::int16_t>& out, const Message& m) {
    if (m.delay == -1) {
        out.insert(out.end(), {0, 0, 0, 0, 0, -1});
        return;
    }
    out.insert(out.end(), {m.x, m.y, m.value, m.sender, m.receiver, m.delay});
}

void addView(Snapshot& snap, const Grid<std::int16_t>& view) {
    const auto cells = view.cells();
    snap.views.push_back(static_cast<std::int16_t>(view.columns()));
    snap.views.insert(snap.views.end(), cells.begin(), cells.end());
}

void addScores(Snapshot& snap, const SimState& s) {
    for (const Individual& individual : s.population) {
        snap.fitness.push_back(individual.fitness);
        snap.uses.push_back(individual.useCount);
        snap.genes.insert(snap.genes.end(), individual.genes.begin(), individual.genes.end());
    }
}

Snapshot engineSnapshot(const SimState& s) {
    Snapshot snap;
    for (int a = 0; a < s.groupSize; ++a) {
        const auto cells = s.agent(a).map.grid().cells();
        snap.maps.insert(snap.maps.end(), cells.begin(), cells.end());
    }
    for (int slot = 0; slot < MessageQueue::kSlots; ++slot) {
        addMessage(snap.queue, s.messages.at(slot));
    }
    // The engine keeps no views: it makes them on demand.
    for (int a = 0; a < s.groupSize; ++a) {
        addView(snap, agentView(s, a));
    }
    addScores(snap, s);
    return snap;
}

Snapshot plainSnapshot(const plain::PlainState& p) {
    Snapshot snap;
    for (int a = 0; a < p.s.groupSize; ++a) {
        const auto& map = p.maps[static_cast<std::size_t>(a)];
        snap.maps.insert(snap.maps.end(), map.begin(), map.end());
    }
    for (const Message& m : p.messages) {
        addMessage(snap.queue, m);
    }
    for (int a = 0; a < p.s.groupSize; ++a) {
        addView(snap, p.views[static_cast<std::size_t>(a)]);
    }
    addScores(snap, p.s);
    return snap;
}

// Everything a simulation shows, cycle by cycle and run by run.
struct Trace {
    // Per cycle: the message count and the messages dropped so far, then each agent's x, y,
    // inArena, timeInArena and mapHit, and its map's best cell (value, column, row).
    std::vector<long> cycles;
    // Cycles in which a receiver was delivered several messages for one cell, and in which they
    // also differed in value, so that which one its map keeps matters.
    int sameCell = 0;
    int sameCellOtherValue = 0;
    int cycleCount = 0;
    int largestCount = 0;
    std::vector<Snapshot> runEnds;  // taken at the end of each run, and once all is done
    std::vector<double> totalFitness;
    std::vector<RunStatsRow> runStats;
    std::string dataFile;
    bool complete = false;
};

class TracingHost : public fixtures::TestHost {
  public:
    // `queue` tells the messages dropped so far and those delivered in the current cycle, `best`
    // an agent's best map cell as value, column and row.
    using Queue = std::function<std::pair<long, std::vector<Message>>()>;
    using Best = std::function<std::array<long, 3>(int)>;
    TracingHost(SimState& s, std::function<Snapshot()> snapshot, Queue queue, Best best,
                std::filesystem::path directory, bool graphics, int stopRun, int stopCycle)
        : s_(s),
          snapshot_(std::move(snapshot)),
          queue_(std::move(queue)),
          best_(std::move(best)),
          directory_(std::move(directory)),
          graphics_(graphics),
          stopRun_(stopRun),
          stopCycle_(stopCycle) {}

    void showProgress(std::int16_t run, std::int16_t, std::int16_t cycle, std::int16_t) override {
        run_ = run;
        cycle_ = cycle;
    }
    // The arena is still the run's, as the agents saw it.
    void showRunsDone(int, int) override { trace.runEnds.push_back(snapshot_()); }
    bool graphicsEnabled() override { return graphics_; }
    void yield() override {
        if (run_ == stopRun_ && cycle_ == stopCycle_) {
            s_.running = false;
        }
        // Every link taken away between two cycles, as the designer may, messages still queued.
        if (cycle_ == unlinkCycle && unlinked_ != run_) {
            unlinked_ = run_;
            for (Agent& agent : s_.agents) {
                std::fill(agent.links.begin(), agent.links.end(), std::uint8_t{0});
            }
        }
    }
    void showMessageCount(std::int16_t count) override {
        ++trace.cycleCount;
        trace.largestCount = std::max<int>(trace.largestCount, count);
        const auto [dropped, delivered] = queue_();
        trace.cycles.insert(trace.cycles.end(), {count, dropped});
        noteSameCells(delivered);
        for (int a = 0; a < s_.groupSize; ++a) {
            const Agent& agent = s_.agent(a);
            trace.cycles.insert(trace.cycles.end(),
                                {agent.x, agent.y, agent.inArena, agent.timeInArena, agent.mapHit});
            const auto best = best_(a);
            trace.cycles.insert(trace.cycles.end(), best.begin(), best.end());
        }
    }
    void showTotalFitness(double value) override { trace.totalFitness.push_back(value); }
    std::filesystem::path dataDirectory() override { return directory_; }
    void dataFileWritten(const std::filesystem::path& path, const std::string&, bool complete,
                         bool) override {
        trace.dataFile = fixtures::readFile(path);
        trace.complete = complete;
    }

    // The state after the last run, once the simulation has returned.
    void finish() {
        trace.runEnds.push_back(snapshot_());
        trace.runStats = s_.runStats;
    }

    Trace trace;
    int unlinkCycle = -1;

  private:
    void noteSameCells(std::vector<Message> delivered) {
        std::stable_sort(delivered.begin(), delivered.end(),
                         [](const Message& a, const Message& b) {
                             return std::tie(a.receiver, a.x, a.y) < std::tie(b.receiver, b.x, b.y);
                         });
        bool same = false;
        bool otherValue = false;
        for (std::size_t i = 1; i < delivered.size(); ++i) {
            const Message& a = delivered[i - 1];
            const Message& b = delivered[i];
            if (std::tie(a.receiver, a.x, a.y) == std::tie(b.receiver, b.x, b.y)) {
                same = true;
                otherValue = otherValue || a.value != b.value;
            }
        }
        trace.sameCell += same ? 1 : 0;
        trace.sameCellOtherValue += otherValue ? 1 : 0;
    }

    SimState& s_;
    std::function<Snapshot()> snapshot_;
    Queue queue_;
    Best best_;
    std::filesystem::path directory_;
    bool graphics_;
    int stopRun_;
    int stopCycle_;
    int run_ = 0;
    int cycle_ = 0;
    int unlinked_ = 0;
};

// One simulation to run on both sides: the parameters, then the network and the per-agent
// settings made after "Set parameters", as the designer would.
struct Config {
    Params p;
    std::string network = "random";  // random, none, All2All, Circle, Star, or a preset name
    bool selfLinks = false;
    std::vector<int> leaders;
    std::vector<std::pair<int, int>> retinas;  // agent, radius
    std::string commRadius;                    // overrides what the network left, when set
    bool graphics = false;
    int stopRun = -1;
    int stopCycle = -1;
    int unlinkCycle = -1;  // the cycle of every run after which no agent has a link

    std::string describe() const {
        std::ostringstream out;
        out << "agents " << p.agents << ", retina " << p.retina << ", arena " << p.width << "x"
            << p.height << ", cycles " << p.cycles << ", runs " << p.runs << ", generations "
            << p.generations << ", foods " << p.foods << " of size " << p.foodSize << ", seed "
            << p.seed << ", p " << p.pConnection << ", network " << network
            << (selfLinks ? " + self" : "") << ", radius "
            << (commRadius.empty() ? p.commRadius : commRadius) << ", leaders " << leaders.size()
            << ", own retinas " << retinas.size();
        for (auto [flag, name] : {std::pair{p.firstOut, "firstOut"},
                                  {p.sameStart, "sameStart"},
                                  {p.lastOut, "lastOut"},
                                  {p.expGeneOn, "expGene"},
                                  {p.comGeneOn, "comGene"},
                                  {p.expCostOn, "expCost"},
                                  {p.comCostOn, "comCost"},
                                  {graphics, "graphics"}}) {
            if (flag) {
                out << ", " << name;
            }
        }
        if (stopRun > 0) {
            out << ", stop at run " << stopRun << " cycle " << stopCycle;
        }
        return out.str();
    }
};

SimState prepare(const Config& c) {
    SimState s;
    setParameters(s, c.p, "diff");
    if (c.network == "none") {
        clearNet(s);
    } else if (c.network == "All2All") {
        netAll2All(s);
    } else if (c.network == "Circle") {
        netCircle(s);
    } else if (c.network == "Star") {
        netStar(s);
    } else if (c.network != "random") {
        applyPreset(s, c.network, c.p.agents);
    }
    for (int a = 0; c.selfLinks && a < s.groupSize; ++a) {
        setBiLink(s, static_cast<std::int16_t>(a), static_cast<std::int16_t>(a));
    }
    for (int a : c.leaders) {
        s.agent(a).rank = 1;
    }
    for (auto [a, r] : c.retinas) {
        setRetina(s.agent(a), r);
    }
    if (!c.commRadius.empty()) {
        s.commRadius = std::stod(c.commRadius);
    }
    return s;
}

std::string number(double value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// A random configuration; the same index always gives the same one.
Config randomConfig(int index) {
    std::mt19937 rng(static_cast<unsigned>(7919 * index + 17));
    const auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    };
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };

    Config c;
    Params& p = c.p;
    const int agents = chance(0.2) ? (chance(0.5) ? 10 : 50) : uniform(1, 50);
    p.agents = std::to_string(agents);
    // Mostly small retinas, now and then one that sees most or all of the arena.
    const auto radius = [&] {
        return chance(0.5) ? uniform(0, 15) : chance(0.2) ? 60 : uniform(0, 60);
    };
    int widest = radius();
    p.retina = std::to_string(widest);
    for (int i = uniform(0, 3); i > 0 && chance(0.4); --i) {
        c.retinas.emplace_back(uniform(0, agents - 1), radius());
        widest = std::max(widest, c.retinas.back().second);
    }
    // Arenas from a single cell (width and height 0) to 201 x 201 cells, where the views reach
    // past the edges: every tenth configuration has a large square one and the one after it a
    // tiny one (every other time a single cell), the others the defaults or sides drawn one by
    // one.
    const auto side = [&](int shape) {
        switch (shape) {
            case 0:
                return uniform(100, 200);
            case 1:
                return index % 20 == 1 ? 0 : uniform(0, 3);
            case 2:
                return 50;
            default:
                return chance(0.2)   ? uniform(0, 3)
                       : chance(0.2) ? uniform(100, 200)
                                     : uniform(2, 30);
        }
    };
    const int shape = index % 10 < 2 ? index % 10 : chance(0.35) ? 2 : 3;
    const int width = side(shape);
    const int height = side(shape);
    p.width = std::to_string(width);
    p.height = std::to_string(height);
    // Several targets overlap in a small arena; one as wide or as high as the arena lies along
    // its edges, and one as large as a square arena covers its corners.
    p.foods = std::to_string(chance(0.05) ? 0 : uniform(1, chance(0.3) ? 8 : 3));
    const int largest = std::min({10, width, height});
    p.foodSize = std::to_string(chance(0.25) ? largest : uniform(0, largest));
    // The plain queue costs about the square of the group per cycle, and the plain maps and
    // views the arena and the retina per agent: keep big ones short.
    const double cells = (width + 1.0) * (height + 1.0);
    const double window = (2.0 * widest + 1.0) * (2.0 * widest + 1.0);
    const int cycleBudget =
        std::max(10, std::min(200000 / (agents * agents + 400),
                              static_cast<int>(2e7 / (agents * (2.0 * cells + window)))));
    p.cycles = std::to_string(uniform(std::min(5, cycleBudget), std::min(300, cycleBudget)));
    p.runs = std::to_string(uniform(1, 3));
    p.seed = std::to_string(uniform(0, 1000));
    p.pConnection = number(uniform(0, 100) / 100.0);
    p.comCost = number(uniform(1, 40) / 8.0);
    p.expCost = number(uniform(1, 40) / 8.0);
    p.firstOut = chance(0.25);
    p.sameStart = chance(0.25);
    p.lastOut = chance(0.25);
    p.expGeneOn = chance(0.4);
    p.comGeneOn = chance(0.25);
    p.expCostOn = chance(0.4);
    p.comCostOn = chance(0.4);
    // The first generation's communication gene is 0, so only a later one sends with it.
    p.generations = chance(p.comGeneOn ? 0.7 : 0.2) ? std::to_string(uniform(2, 3)) : "1";

    const double diagonal = std::sqrt(static_cast<double>(width * width + height * height));
    switch (uniform(0, 2)) {
        case 0:
            p.commRadius = number(uniform(0, static_cast<int>(diagonal)));  // below
            break;
        case 1:
            p.commRadius = number(std::ceil(diagonal) + uniform(0, 30));  // above
            break;
        default:
            break;  // the default 100
    }

    // Most networks should carry messages: presets without links are drawn no more often than
    // the others, and a random network is reasonably dense.
    const int kind = uniform(0, 5);
    if (kind == 0) {
        c.network = "random";
        p.pConnection = number(uniform(30, 100) / 100.0);
    } else if (kind == 1) {
        c.network = std::vector<std::string>{"none", "All2All", "Circle",
                                             "Star"}[static_cast<std::size_t>(uniform(0, 3))];
    } else {
        // Presets from "Tab 6a" on have links.
        const int first = chance(0.6) ? 6 : 0;
        c.network = std::string(kPresetNames[static_cast<std::size_t>(
            uniform(first, static_cast<int>(kPresetNames.size()) - 1))]);
    }
    c.selfLinks = chance(0.15);
    for (int i = uniform(0, 2); i > 0 && chance(0.4); --i) {
        c.leaders.push_back(uniform(0, agents - 1));
    }
    if (chance(0.3)) {
        c.commRadius =
            number(chance(0.5) ? uniform(0, static_cast<int>(diagonal)) : std::ceil(diagonal) + 1);
    }
    c.graphics = chance(0.2);
    if (chance(0.1)) {
        c.stopRun = uniform(1, std::stoi(p.runs));
        c.stopCycle = uniform(0, std::stoi(p.cycles));
    }
    return c;
}

// Fifty agents, however well informed, cannot fill the queue: 50 x 50 messages a cycle with self
// links, six cycles in use, make 15000 slots. Fifty-one that all see a large target and all talk
// to each other, self included, send 2,601 a cycle, and the 15001 slots run out.
Config fullQueueConfig() {
    Config c;
    c.p.agents = "51";
    c.p.retina = "15";
    c.p.foodSize = "12";
    c.p.cycles = "24";
    c.p.runs = "1";
    c.p.seed = "11";
    c.p.comCostOn = true;
    c.network = "Tab 10b";
    c.selfLinks = true;
    return c;
}

struct Outcome {
    Trace engine;
    Trace plain;
};

Outcome runBoth(const Config& c) {
    const fixtures::TempDir dir;
    const SimState start = prepare(c);

    SimState engine = start;
    TracingHost engineHost(
        engine, [&] { return engineSnapshot(engine); },
        [&] {
            return std::pair{engine.messages.dropped(), engine.messages.delivered()};
        },
        [&](int a) {
            const AgentMap::Best best = engine.agent(a).map.best();
            return std::array<long, 3>{best.value, best.x, best.y};
        },
        dir.path() / "engine", c.graphics, c.stopRun, c.stopCycle);
    engineHost.unlinkCycle = c.unlinkCycle;
    std::filesystem::create_directories(dir.path() / "engine");
    fixtures::runWith(engine, engineHost);
    engineHost.finish();

    plain::PlainState model(start);
    const auto plainQueue = [&] {
        std::vector<Message> delivered;
        for (const Message& m : model.messages) {
            if (m.delay == 0) {
                delivered.push_back(m);
            }
        }
        return std::pair{model.dropped, delivered};
    };
    // The first largest cell in (column, row) order, as the agent's turn finds it.
    const auto plainBest = [&](int a) {
        std::array<long, 3> best{0, 0, 0};
        for (int x = 0; x <= model.s.arenaWidth; ++x) {
            for (int y = 0; y <= model.s.arenaHeight; ++y) {
                if (model.map(a, x, y) > best[0]) {
                    best = {model.map(a, x, y), x, y};
                }
            }
        }
        return best;
    };
    TracingHost plainHost(
        model.s, [&] { return plainSnapshot(model); }, plainQueue, plainBest, dir.path() / "plain",
        c.graphics, c.stopRun, c.stopCycle);
    plainHost.unlinkCycle = c.unlinkCycle;
    std::filesystem::create_directories(dir.path() / "plain");
    plain::PlainWorld plainWorld(model);
    fixtures::runWith(model.s, plainHost, 1, &plainWorld);
    plainHost.finish();

    return {std::move(engineHost.trace), std::move(plainHost.trace)};
}

// The first place two traces part, to make a failure readable.
std::string firstDifference(const Trace& engine, const Trace& plain, int agents) {
    const std::size_t perCycle = 2 + 8 * static_cast<std::size_t>(agents);
    const auto& e = engine.cycles;
    const auto& q = plain.cycles;
    const auto [ie, iq] = std::mismatch(e.begin(), e.end(), q.begin(), q.end());
    if (ie != e.end() || iq != q.end()) {
        const auto at = static_cast<std::size_t>(ie - e.begin());
        const std::size_t field = at % perCycle;
        std::ostringstream out;
        out << "cycle trace differs at cycle " << at / perCycle << ", "
            << (field == 0   ? std::string("message count")
                : field == 1 ? std::string("messages dropped")
                             : "agent " + std::to_string((field - 2) / 8) + " field " +
                                   std::to_string((field - 2) % 8));
        return out.str();
    }
    for (std::size_t r = 0; r < std::min(engine.runEnds.size(), plain.runEnds.size()); ++r) {
        const Snapshot& a = engine.runEnds[r];
        const Snapshot& b = plain.runEnds[r];
        if (!(a == b)) {
            return "state after run " + std::to_string(r + 1) + " differs in" +
                   (a.maps != b.maps ? " maps" : "") + (a.views != b.views ? " views" : "") +
                   (a.queue != b.queue ? " queue" : "") +
                   (a.fitness != b.fitness || a.uses != b.uses ? " scores" : "") +
                   (a.genes != b.genes ? " genes" : "");
        }
    }
    return "";
}

void expectSame(const Outcome& o, int agents) {
    EXPECT_EQ(firstDifference(o.engine, o.plain, agents), "");
    EXPECT_EQ(o.engine.cycleCount, o.plain.cycleCount);
    EXPECT_EQ(o.engine.runEnds.size(), o.plain.runEnds.size());
    EXPECT_EQ(o.engine.runStats, o.plain.runStats);
    EXPECT_EQ(o.engine.totalFitness, o.plain.totalFitness);
    EXPECT_EQ(o.engine.dataFile, o.plain.dataFile);
    EXPECT_EQ(o.engine.complete, o.plain.complete);
    EXPECT_EQ(o.engine.sameCell, o.plain.sameCell);
    EXPECT_EQ(o.engine.sameCellOtherValue, o.plain.sameCellOtherValue);
}

class EngineAgainstPlainModel : public ::testing::TestWithParam<int> {};

TEST_P(EngineAgainstPlainModel, SameTraceStatisticsAndDataFile) {
    const Config c = randomConfig(GetParam());
    SCOPED_TRACE(c.describe());
    const Outcome o = runBoth(c);
    ASSERT_GT(o.plain.cycleCount, 0);
    expectSame(o, std::stoi(c.p.agents));
}

INSTANTIATE_TEST_SUITE_P(RandomConfigurations, EngineAgainstPlainModel, ::testing::Range(0, 60));

TEST(EngineAgainstPlainModelCases, TheDefaultsAgreeOverLongRuns) {
    Config c;
    c.p.cycles = "1500";
    c.p.runs = "2";
    const Outcome o = runBoth(c);
    expectSame(o, 10);
}

TEST(EngineAgainstPlainModelCases, AFullQueueDropsTheSameMessages) {
    const Config c = fullQueueConfig();
    const Outcome o = runBoth(c);
    EXPECT_EQ(o.plain.largestCount, plain::kSlots) << "the queue never filled up";
    expectSame(o, 51);
}

// Sixty-four agents that all see a large target and all talk to each other send 4,032 messages a
// cycle: the queue is full from the fourth cycle on and drops the same ones on both sides.
TEST(EngineAgainstPlainModelCases, SixtyFourTalkingToAllFillTheQueue) {
    Config c;
    c.p.agents = "64";
    c.p.retina = "20";
    c.p.foodSize = "12";
    c.p.cycles = "12";
    c.p.runs = "1";
    c.p.comCostOn = true;
    c.network = "All2All";
    const Outcome o = runBoth(c);
    EXPECT_EQ(o.plain.largestCount, plain::kSlots);
    EXPECT_GT(o.plain.cycles[o.plain.cycles.size() - 2 - 8 * 64 + 1], 0) << "nothing was dropped";
    expectSame(o, 64);
}

// With the communication gene every message is a draw of its own, receiver by receiver.
TEST(EngineAgainstPlainModelCases, TheCommunicationGeneDrawsPerReceiver) {
    Config c;
    c.p.agents = "30";
    c.p.cycles = "150";
    c.p.runs = "3";
    c.p.generations = "3";
    c.p.comGeneOn = true;
    c.p.comCostOn = true;
    c.p.foodSize = "4";
    c.network = "Tab 10b";
    const Outcome o = runBoth(c);
    EXPECT_GT(o.plain.largestCount, 0);
    expectSame(o, 30);
}

// Radii that cut links, among them radii that distances between cells reach exactly.
TEST(EngineAgainstPlainModelCases, RangesCutLinks) {
    for (const char* radius : {"0.5", "5", "7.0710678118654755", "10", "12.5", "30"}) {
        Config c;
        c.p.agents = "40";
        c.p.width = "60";
        c.p.height = "60";
        c.p.retina = "8";
        c.p.foodSize = "5";
        c.p.cycles = "200";
        c.p.runs = "2";
        c.network = "All2All";
        c.commRadius = radius;
        SCOPED_TRACE(c.describe());
        const Outcome o = runBoth(c);
        expectSame(o, 40);
    }
}

// Agents that start together with retinas of 0 to 3 and hear only some of the others report the
// same cell with different counts in the same cycle; each receiver's map keeps the last one,
// whatever its value.
TEST(EngineAgainstPlainModelCases, SeveralReportsForOneCellInOneCycle) {
    Config c;
    c.p.agents = "40";
    c.p.retina = "1";
    c.p.foodSize = "4";
    c.p.cycles = "200";
    c.p.runs = "3";
    c.p.sameStart = true;
    c.p.pConnection = "0.4";
    for (int a = 0; a < 40; ++a) {
        c.retinas.emplace_back(a, a % 4);
    }
    const Outcome o = runBoth(c);
    EXPECT_GT(o.plain.sameCellOtherValue, 0) << o.plain.sameCell;
    expectSame(o, 40);
}

// The first agents see the whole arena and lead; the others see nothing and follow them, some of
// them linked and in range of each other. The followers' turns start where the leaders' have
// left them.
TEST(EngineAgainstPlainModelCases, FollowersOfLeadersThatSeeEverything) {
    for (const char* links : {"0", "0.3"}) {
        Config c;
        c.p.agents = "20";
        c.p.width = "30";
        c.p.height = "30";
        c.p.retina = "0";
        c.p.foodSize = "3";
        c.p.cycles = "300";
        c.p.runs = "3";
        c.p.pConnection = links;
        c.commRadius = "8";
        c.leaders = {0, 1, 2};
        for (int a = 0; a < 5; ++a) {
            c.retinas.emplace_back(a, 40);
        }
        SCOPED_TRACE(c.describe());
        const Outcome o = runBoth(c);
        expectSame(o, 20);
    }
}

// Retinas that cover the arena: every agent sees every target cell and, told nothing, heads for
// their centre, in one pass over the agents. Any agent that sees less, a link or an empty arena
// takes the cycle the usual way.
TEST(EngineAgainstPlainModelCases, EveryoneSeesEverything) {
    struct Case {
        const char* name;
        int narrow;  // the agent with retina 0, or -1
        const char* links;
        const char* foods;
    };
    for (const Case& k : {Case{"all", -1, "0", "2"}, Case{"but the last", 19, "0", "2"},
                          Case{"but one", 7, "0", "2"}, Case{"some linked", -1, "0.05", "2"},
                          Case{"unlinked with messages queued", -1, "1", "2"},
                          Case{"nothing to see", -1, "0", "0"}}) {
        Config c;
        c.p.agents = "20";
        c.p.width = "25";
        c.p.height = "18";
        c.p.retina = "25";
        c.p.foods = k.foods;
        c.p.foodSize = "2";
        c.p.cycles = "120";
        c.p.runs = "4";
        c.p.pConnection = k.links;
        if (k.narrow >= 0) {
            c.retinas.emplace_back(k.narrow, 0);
        }
        if (std::string(k.links) == "1") {
            c.unlinkCycle = 3;
            c.p.foodSize = "0";
        }
        SCOPED_TRACE(std::string(k.name) + ": " + c.describe());
        const Outcome o = runBoth(c);
        expectSame(o, 20);
    }
}

// The kept data file pins the plain model too, so the two cannot drift together.
TEST(PlainModel, WritesTheKeptDataFile) {
    SimState s = fixtures::keptFileState();
    plain::PlainState model(s);
    const fixtures::TempDir dir;
    TracingHost host(
        model.s, [] { return Snapshot{}; },
        [] {
            return std::pair{0L, std::vector<Message>{}};
        },
        [](int) { return std::array<long, 3>{}; }, dir.path(), false, -1, -1);
    plain::PlainWorld plainWorld(model);
    fixtures::runWith(model.s, host, 1, &plainWorld);
    EXPECT_EQ(host.trace.dataFile, fixtures::readFile(fixtures::keptFilePath()));
}

}  // namespace
}  // namespace murelta
