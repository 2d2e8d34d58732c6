// The parameters by name: the keys of an experiment file's [parameters] table and the long
// options of murelta-batch, so that the file and the command line read alike.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "sim/params.hpp"

namespace murelta {

// A box of the main window: its key, where its text goes, the box's label, which names it in
// the core's messages, and what it does, for the runner's help.
struct TextParameter {
    const char* key;
    std::string Params::*member;
    const char* label;
    const char* help;
};

// A check box.
struct FlagParameter {
    const char* key;
    bool Params::*member;
    const char* label;
    const char* help;
};

inline constexpr std::array<TextParameter, 14> kTextParameters{{
    {"agents", &Params::agents, "Group size", "the number of agents in the group"},
    {"retina", &Params::retina, "Retina radius",
     "how many cells around itself an agent sees, 0 to 90"},
    {"width", &Params::width, "Width", "the arena's last column: it has Width + 1 columns"},
    {"height", &Params::height, "Height", "the arena's last row: it has Height + 1 rows"},
    {"cycles", &Params::cycles, "Cycles", "the most cycles a run lasts, less one (0 to 32766)"},
    {"foods", &Params::foods, "Foods", "the number of targets"},
    {"food-size", &Params::foodSize, "Foods size",
     "every target's side in cells, set at each run's start"},
    {"p", &Params::pConnection, "P (connection)",
     "the chance of each link of the random network drawn before the preset and the agents listed"},
    {"runs", &Params::runs, "Runs", "runs per generation; with Initial Seed at most 32767"},
    {"generations", &Params::generations, "Generations",
     "generations of the genetic algorithm; with more than one only the record is written"},
    {"com-cost", &Params::comCost, "Communication Cost",
     "fitness an agent pays per message sent, spread over the cycles of a run (with "
     "--com-cost-on)"},
    {"exp-cost", &Params::expCost, "Exploration Cost",
     "fitness an agent pays per exploring step, spread over the cycles of a run (with "
     "--exp-cost-on and --exp-gene)"},
    {"com-radius", &Params::commRadius, "Com. Radius",
     "how far a message reaches, in cells (a preset or the range option may set it)"},
    {"seed", &Params::seed, "Initial Seed",
     "run r (from 0) of each generation is seeded with Initial Seed + r + 1"},
}};

inline constexpr std::array<FlagParameter, 7> kFlagParameters{{
    {"first-out", &Params::firstOut, "First out",
     "a run ends when the first agent is out, not when all are"},
    {"last-out", &Params::lastOut, "Last Out",
     "marks the data file's name with _lOut; it changes no run"},
    {"same-start", &Params::sameStart, "Same Start pos",
     "every agent starts a run on the same cell"},
    {"exp-cost-on", &Params::expCostOn, "Exploration Cost", "charge the exploration cost"},
    {"com-cost-on", &Params::comCostOn, "Communication Cost", "charge the communication cost"},
    {"exp-gene", &Params::expGeneOn, "Exp gene",
     "evolve the exploration gene: it decides how often an agent explores"},
    {"com-gene", &Params::comGeneOn, "Com gene",
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
