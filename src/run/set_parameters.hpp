// "Set parameters" as one step: the parameters read, the structures made for them, a fresh
// random network and the data file's name.
#pragma once

#include <string_view>

#include "sim/params.hpp"

namespace murelta {

struct SimState;

// readParams, allocateStructures, randomNet, and the data-file name built with `label`. On a
// refused box or size it throws Error, and the structures stay unusable until a call succeeds.
void setParameters(SimState& s, const Params& p, std::string_view label,
                   const NumberReader& readNumber);
void setParameters(SimState& s, const Params& p, std::string_view label);

}  // namespace murelta
