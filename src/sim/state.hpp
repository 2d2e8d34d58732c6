// All data of one simulation: the parameters, the agents, the arena, the targets, the
// population, the message queue, the run statistics, the flags and the random generator.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "sim/agent_map.hpp"
#include "sim/cell_sums.hpp"
#include "sim/grid.hpp"
#include "sim/message_queue.hpp"
#include "sim/random.hpp"

namespace murelta {

// Arena cell codes.
inline constexpr std::int16_t kEmptyCell = 0;
inline constexpr std::int16_t kTargetCell = 1;

// What told an agent where to go in its last turn.
enum class Knowledge : std::uint8_t { Wandering, Retina, Map };

// The fields every turn reads come first, so that a turn touches as few cache lines as it can.
struct Agent {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t rank = 0;  // 1 marks a leader
    std::int16_t timeInArena = 0;
    std::int16_t individual = 0;  // index in population
    bool inArena = false;
    bool mapHit = false;
    // What told it where to go in its last turn, kept for displays only.
    Knowledge knowledge = Knowledge::Wandering;
    double retina = 0.0;  // sensory radius in cells, always a whole number
    double comGene = 0.0;
    double expGene = 0.0;
    // The point its last turn headed for, kept for displays only.
    double headingX = 0.0;
    double headingY = 0.0;
    std::vector<std::uint8_t> links;  // links[j] == 1: messages go to agent j
    AgentMap map;                     // map(x, y) over the arena
};

// What perception found in an agent's view: the number of target cells and the sums of their
// offsets from the agent, and the cell the agent looked from, so that the agent step need not
// look again and the view can be shown as the agent saw it.
struct ViewSums {
    int seen = 0;
    int sumDX = 0;
    int sumDY = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
};

// Room for sending and delivery to work in, kept between cycles so that a cycle allocates
// nothing; what it holds between cycles means nothing.
struct DeliveryWork {
    struct Links {
        std::vector<std::uint8_t> copy;       // an agent's links as last seen
        std::vector<std::int16_t> receivers;  // the agents they lead to
    };
    std::vector<Links> links;
    std::vector<std::uint32_t> positions;  // the agents' positions as they move, x in the low
                                           // half, when the range does not reach everywhere
    std::vector<std::uint64_t> best;    // per agent: the best message so far, as a key
    std::vector<std::uint64_t> ownKey;  // per agent: the one cell its map held before, as a key
    std::vector<std::uint32_t> own;     // per agent: that cell's index, or none
    std::vector<std::uint32_t> seen;    // per agent: the last group of one cell it was given
    std::vector<std::uint8_t> fast;     // per agent: its map held no more than one cell
    std::vector<std::uint8_t> ownHit;   // per agent: a message overwrote its one cell
    std::vector<std::int32_t> earlier;  // per report: the one before it for the same cell, or -1
    std::vector<std::uint8_t> later;    // per report: another after it is for the same cell
    std::vector<std::uint64_t> cells;   // open addressing: cell index + 1 and last report
    std::vector<std::uint64_t> owns;    // open addressing: cell held + 1 and the last agent
    std::vector<std::int32_t> ownNext;  // per agent: the one before it holding the same cell
    std::uint32_t group = 0;
};

struct Individual {
    std::vector<std::uint8_t> genes;  // genes[0] exploration, genes[1] communication
    double fitness = 0.0;
    // How many agent places the individual filled in a generation: up to groupSize x runCount,
    // which can exceed 16 bits.
    std::int32_t useCount = 0;
};

struct Target {
    std::int16_t x = 0;     // left column
    std::int16_t y = 0;     // top row
    std::int16_t size = 0;  // covers x..x+size by y..y+size
};

// The fitness changes of one run in the order they were made; consecutive equal changes to one
// individual are kept as one entry. A run made on a worker thread hands them back, so that they
// are added to the population in run order, exactly as a run made in place adds them.
struct FitnessLog {
    struct Entry {
        std::int16_t individual;
        std::int32_t count;
        double change;
    };
    std::vector<Entry> entries;

    void add(std::int16_t individual, double change) {
        if (!entries.empty() && entries.back().individual == individual &&
            entries.back().change == change) {
            ++entries.back().count;
        } else {
            entries.push_back({individual, 1, change});
        }
    }
};

// Columns of a runStats row.
enum RunStatsColumn { kRunIndex = 0, kFirstExit = 1, kLastExit = 2, kPercentOut = 3 };
using RunStatsRow = std::array<double, 4>;

struct SimState {
    // A new state holds the parameters of a new experiment, Params' defaults, and no structures.
    SimState();

    // Parameters, as readParams reads them from the main window's boxes or the runner's options.
    std::int16_t groupSize{};
    std::int16_t retinaRadius{};
    std::int16_t arenaWidth{};
    std::int16_t arenaHeight{};
    std::int16_t cyclesPerRun{};
    std::int16_t targetCount{};
    std::int16_t targetSize{};
    double pConnection{};
    std::int16_t runCount{};
    std::int16_t generationCount{};
    double comCost{};
    double expCost{};
    double commRadius{};
    std::int16_t seed{};
    std::int16_t exitQuota{};  // agents out that end a run: 1 with "First out", else groupSize
    bool sameStart{};
    bool lastOut{};
    bool expCostOn{};
    bool comCostOn{};
    bool expGeneOn{};
    bool comGeneOn{};
    double arenaDiagonal{};  // sqrt(W^2 + H^2)

    // Whether agents, arena, targets and runStats were made for the parameters in force: set by
    // allocateStructures, cleared when readParams changes the parameters. A refused "Set
    // parameters" leaves it cleared, so nothing works on arrays of the wrong size.
    bool structuresReady = false;

    // World and agents; agents has groupSize + 1 records, the last one unused.
    std::vector<Agent> agents;
    Grid<std::int16_t> arena;
    // The target cells of the arena summed up for perception. Whatever changes the arena keeps
    // them in step: allocateStructures, clearArena and markTargets do, and so must any other.
    CellSums targetSums;
    std::vector<Target> targets;  // targetCount + 1 records, the last one unused

    // Evolution.
    std::vector<Individual> population;
    std::int16_t popSize = 100;
    std::int16_t genomeLength = 2;
    std::int16_t parentCount = 10;
    std::int16_t offspringPerParent = 10;
    double totalFitness = 0.0;

    // Results and run control.
    std::vector<RunStatsRow> runStats;  // runCount + 1 rows, the last one unused
    bool running = false;
    bool interrupted = false;
    std::string dataFileName;

    MessageQueue messages;
    DeliveryWork delivery;
    Random random;

    // Set on a worker's copy of the state: the run's fitness changes go here instead of into
    // the population.
    FitnessLog* fitnessLog = nullptr;

    // Agent i, from 0 to groupSize.
    Agent& agent(int i) { return agents[static_cast<std::size_t>(i)]; }
    const Agent& agent(int i) const { return agents[static_cast<std::size_t>(i)]; }

    // Per agent, as the last updateRetina left them; read by the agent step of the same cycle.
    std::vector<ViewSums> viewSums;
};

// The most memory one simulation may hold: every copy of the run state its threads make, the
// results it keeps and its record. Far beyond any sensible experiment, and well within a
// desktop machine.
inline constexpr double kMaxSimulationBytes = 2048.0 * 1024 * 1024;

// What one copy of the state a run works on takes, counted from the parameters before anything
// is allocated: per agent its record, map (16-bit cells and the list of cells written in a
// cycle), row of links and view sums, then the arena with its target sums, the targets,
// runStats, the population and the message queue, each allocation with the allocator's own
// bookkeeping.
double structureBytes(const SimState& s);

// "N MB", rounded, for messages about memory.
std::string megabytes(double bytes);

// Throws Error naming the box when a count or size is negative, the retina is out of range, or
// one copy of the structures of these parameters would take more than kMaxSimulationBytes.
void checkSizes(const SimState& s);

// checkSizes, then re-creates agents, arena (with its target sums), targets and runStats from
// the parameters, all zero (the arena empty), each agent with retina = retinaRadius. Throws Error,
// changing nothing, when checkSizes does.
void allocateStructures(SimState& s);

// Whether the structures match the parameters in force, as after a successful "Set parameters".
bool hasStructures(const SimState& s);
// Throws Error telling the user to press "Set parameters" unless hasStructures holds. Every
// command that works on agents, links or targets checks it first.
void requireStructures(const SimState& s);
// Throws Error unless `agent` is one of the group's agents (0 .. groupSize - 1).
void requireAgent(const SimState& s, int agent);

// Sets an agent's retina. Throws Error for a radius the sensing cannot hold (below 0 or above
// kMaxRetina).
void setRetina(Agent& agent, double retina);

// Adds `change` to the fitness of individual `index`, or logs it on a worker's copy. Adding
// -c is exactly subtracting c, and addition is commutative, so either way the population ends
// with the same bits.
inline void changeFitness(SimState& s, std::int16_t index, double change) {
    if (s.fitnessLog != nullptr) {
        s.fitnessLog->add(index, change);
    } else {
        s.population.at(static_cast<std::size_t>(index)).fitness += change;
    }
}

// The largest retina whose target count fits 16 bits: (2 r + 1)^2 <= 32767.
inline constexpr int kMaxRetina = 90;

// The bounds of an Integer, the 16-bit whole number every count, index and cycle is held in.
inline constexpr int kMinInteger = std::numeric_limits<std::int16_t>::min();
inline constexpr int kMaxInteger = std::numeric_limits<std::int16_t>::max();
// A run counts its cycles from 0 to Cycles in 16 bits: the last cycle must stay below the bound.
inline constexpr int kMaxCycles = kMaxInteger - 1;
// The highest index an agent may have: a group has at most kMaxInteger agents.
inline constexpr int kMaxAgentIndex = kMaxInteger - 1;

}  // namespace murelta
