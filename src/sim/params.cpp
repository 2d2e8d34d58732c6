#include "sim/params.hpp"

#include <cmath>

#include "sim/numbers.hpp"
#include "sim/parameter_table.hpp"
#include "sim/state.hpp"

namespace murelta {

void readParams(SimState& s, const Params& p, const NumberReader& readNumber) {
    // From the first box read, the arrays no longer match the parameters until they are
    // re-created.
    s.structuresReady = false;
    for (const TextParameter& box : kTextParameters) {
        const double value = readNumber(p.*box.member, box.label);
        if (box.whole != nullptr) {
            s.*box.whole = toInteger(value, box.label);
        } else {
            s.*box.real = value;
        }
    }
    for (const FlagParameter& flag : kFlagParameters) {
        if (flag.state != nullptr) {
            s.*flag.state = p.*flag.member;
        }
    }
    const double width = s.arenaWidth;
    const double height = s.arenaHeight;
    s.arenaDiagonal = std::sqrt(height * height + width * width);
    s.exitQuota = p.firstOut ? std::int16_t{1} : s.groupSize;
}

void readParams(SimState& s, const Params& p) {
    readParams(s, p, parseNumber);
}

}  // namespace murelta
