// The parameters, one row each: the key of an experiment file's [parameters] table and of
// murelta-batch's long option, the main window's box and its label, where the text goes in
// Params and where readParams puts its value, and what it does, for the runner's help. The
// window's form, readParams, the experiment files and the runner all read this one table; the
// defaults are Params' own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {

// A box of the main window. readParams reads its text as a whole number (`whole`) or as a
// real one (`real`); the other of the two is null.
struct TextParameter {
    const char* key;
    std::string Params::*member;
    const char* box;        // the box's object name
    const char* labelName;  // its label's object name
    const char* label;      // which also names it in the core's messages
    std::int16_t SimState::*whole;
    double SimState::*real;
    const char* help;
};

// A check box; `state` is null for one that readParams turns into something else.
struct FlagParameter {
    const char* key;
    bool Params::*member;
    const char* box;
    const char* label;
    bool SimState::*state;
    const char* help;
};

// In the order readParams reads them, which is the main window's.
inline constexpr std::array<TextParameter, 14> kTextParameters{{
    {"agents", &Params::agents, "txtAgents", "lblAgents", "Group size", &SimState::groupSize,
     nullptr, "the number of agents in the group"},
    {"retina", &Params::retina, "txtRetina", "lblRetina", "Retina radius", &SimState::retinaRadius,
     nullptr, "how many cells around itself an agent sees, 0 to 90"},
    {"width", &Params::width, "txtW", "lblW", "Width", &SimState::arenaWidth, nullptr,
     "the arena's last column: it has Width + 1 columns"},
    {"height", &Params::height, "txtH", "lblH", "Height", &SimState::arenaHeight, nullptr,
     "the arena's last row: it has Height + 1 rows"},
    {"cycles", &Params::cycles, "txtCicli", "lblCicli", "Cycles", &SimState::cyclesPerRun, nullptr,
     "the most cycles a run lasts, less one (0 to 32766)"},
    {"foods", &Params::foods, "txtFood", "lblFood", "Foods", &SimState::targetCount, nullptr,
     "the number of targets"},
    {"food-size", &Params::foodSize, "txtFoodSize", "lblFoodSize", "Foods size",
     &SimState::targetSize, nullptr, "every target's side in cells, set at each run's start"},
    {"p", &Params::pConnection, "txtP", "lblP", "P (connection)", nullptr, &SimState::pConnection,
     "the chance of each link of the random network drawn before the preset and the agents listed"},
    {"runs", &Params::runs, "txtNoRun", "lblNoRun", "Runs", &SimState::runCount, nullptr,
     "runs per generation; with Initial Seed at most 32767"},
    {"generations", &Params::generations, "txtGen", "lblGen", "Generations",
     &SimState::generationCount, nullptr,
     "generations of the genetic algorithm; with more than one only the record is written"},
    {"com-cost", &Params::comCost, "txtComCost", nullptr, "Communication Cost", nullptr,
     &SimState::comCost,
     "fitness an agent pays per message sent, spread over the cycles of a run (with "
     "--com-cost-on)"},
    {"exp-cost", &Params::expCost, "txtExpCost", nullptr, "Exploration Cost", nullptr,
     &SimState::expCost,
     "fitness an agent pays per exploring step, spread over the cycles of a run (with "
     "--exp-cost-on and --exp-gene)"},
    {"com-radius", &Params::commRadius, "txtCommRad", "lblCommRad", "Com. Radius", nullptr,
     &SimState::commRadius,
     "how far a message reaches, in cells (a preset or the range option may set it)"},
    {"seed", &Params::seed, "txtSeed", "lblSeed", "Initial Seed", &SimState::seed, nullptr,
     "run r (from 0) of each generation is seeded with Initial Seed + r + 1"},
}};

inline constexpr std::array<FlagParameter, 7> kFlagParameters{{
    {"first-out", &Params::firstOut, "chkExit", "First out", nullptr,
     "a run ends when the first agent is out, not when all are"},
    {"last-out", &Params::lastOut, "ChkLastOut", "Last Out", &SimState::lastOut,
     "marks the data file's name with _lOut; it changes no run"},
    {"same-start", &Params::sameStart, "checkStart", "Same Start pos", &SimState::sameStart,
     "every agent starts a run on the same cell"},
    {"exp-cost-on", &Params::expCostOn, "chkExpCost", "Exploration Cost", &SimState::expCostOn,
     "charge the exploration cost"},
    {"com-cost-on", &Params::comCostOn, "chkCommCost", "Communication Cost", &SimState::comCostOn,
     "charge the communication cost"},
    {"exp-gene", &Params::expGeneOn, "chkExpGene", "Exp gene", &SimState::expGeneOn,
     "evolve the exploration gene: it decides how often an agent explores"},
    {"com-gene", &Params::comGeneOn, "chkComGene", "Com gene", &SimState::comGeneOn,
     "evolve the communication gene: it decides how often an agent reports"},
}};

// The parameter of `table` with this key, or null.
template <typename Parameter, std::size_t N>
const Parameter* findParameter(const std::array<Parameter, N>& table, std::string_view key) {
    for (const Parameter& p : table) {
        if (key == p.key) {
            return &p;
        }
    }
    return nullptr;
}

inline const TextParameter* findTextParameter(std::string_view key) {
    return findParameter(kTextParameters, key);
}

inline const FlagParameter* findFlagParameter(std::string_view key) {
    return findParameter(kFlagParameters, key);
}

}  // namespace murelta
