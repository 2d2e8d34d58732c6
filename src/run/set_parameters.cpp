#include "run/set_parameters.hpp"

#include "network/links.hpp"
#include "run/data_file.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

void setParameters(SimState& s, const Params& p, std::string_view label,
                   const NumberReader& readNumber) {
    readParams(s, p, readNumber);
    allocateStructures(s);
    randomNet(s);
    s.dataFileName = makeDataFileName(p, label);
}

void setParameters(SimState& s, const Params& p, std::string_view label) {
    setParameters(s, p, label, parseNumber);
}

}  // namespace murelta
