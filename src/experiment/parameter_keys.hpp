// The parameters by name: the keys of an experiment file's [parameters] table and the long
// options of murelta-batch, so that the file and the command line read alike.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "sim/params.hpp"

namespace murelta {

// A box of the main window: its key, where its text goes, and the box's label, which names
// it in the core's messages.
struct TextParameter {
    const char* key;
    std::string Params::*member;
    const char* label;
};

// A check box.
struct FlagParameter {
    const char* key;
    bool Params::*member;
    const char* label;
};

inline constexpr std::array<TextParameter, 14> kTextParameters{{
    {"agents", &Params::agents, "Group size"},
    {"retina", &Params::retina, "Retina radius"},
    {"width", &Params::width, "Width"},
    {"height", &Params::height, "Height"},
    {"cycles", &Params::cycles, "Cycles"},
    {"foods", &Params::foods, "Foods"},
    {"food-size", &Params::foodSize, "Foods size"},
    {"p", &Params::pConnection, "P (connection)"},
    {"runs", &Params::runs, "Runs"},
    {"generations", &Params::generations, "Generations"},
    {"com-cost", &Params::comCost, "Communication Cost"},
    {"exp-cost", &Params::expCost, "Exploration Cost"},
    {"com-radius", &Params::commRadius, "Com. Radius"},
    {"seed", &Params::seed, "Initial Seed"},
}};

inline constexpr std::array<FlagParameter, 7> kFlagParameters{{
    {"first-out", &Params::firstOut, "First out"},
    {"last-out", &Params::lastOut, "Last Out"},
    {"same-start", &Params::sameStart, "Same Start pos"},
    {"exp-cost-on", &Params::expCostOn, "Exploration Cost"},
    {"com-cost-on", &Params::comCostOn, "Communication Cost"},
    {"exp-gene", &Params::expGeneOn, "Exp gene"},
    {"com-gene", &Params::comGeneOn, "Com gene"},
}};

inline const TextParameter* findTextParameter(std::string_view key) {
    for (const TextParameter& p : kTextParameters) {
        if (key == p.key) {
            return &p;
        }
    }
    return nullptr;
}

inline const FlagParameter* findFlagParameter(std::string_view key) {
    for (const FlagParameter& p : kFlagParameters) {
        if (key == p.key) {
            return &p;
        }
    }
    return nullptr;
}

}  // namespace murelta
