#include "sim/params.hpp"

#include <cmath>

#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

void readParams(SimState& s, const Params& p, const NumberReader& readNumber) {
    const auto integer = [&](const std::string& text, std::string_view label) {
        return toInteger(readNumber(text, label), label);
    };
    // From the first box read, the arrays no longer match the parameters until they are
    // re-created.
    s.structuresReady = false;
    s.groupSize = integer(p.agents, "Group size");
    s.retinaRadius = integer(p.retina, "Retina radius");
    s.arenaWidth = integer(p.width, "Width");
    s.arenaHeight = integer(p.height, "Height");
    s.cyclesPerRun = integer(p.cycles, "Cycles");
    s.targetCount = integer(p.foods, "Foods");
    s.targetSize = integer(p.foodSize, "Foods size");
    s.pConnection = readNumber(p.pConnection, "P (connection)");
    s.runCount = integer(p.runs, "Runs");
    s.generationCount = integer(p.generations, "Generations");
    s.comCost = readNumber(p.comCost, "Communication Cost");
    s.expCost = readNumber(p.expCost, "Exploration Cost");
    s.commRadius = readNumber(p.commRadius, "Com. Radius");
    const double width = s.arenaWidth;
    const double height = s.arenaHeight;
    s.arenaDiagonal = std::sqrt(height * height + width * width);
    s.exitQuota = p.firstOut ? std::int16_t{1} : s.groupSize;
    s.seed = integer(p.seed, "Initial Seed");
    s.sameStart = p.sameStart;
    s.lastOut = p.lastOut;
    s.expCostOn = p.expCostOn;
    s.comCostOn = p.comCostOn;
    s.expGeneOn = p.expGeneOn;
    s.comGeneOn = p.comGeneOn;
}

void readParams(SimState& s, const Params& p) {
    readParams(s, p, parseNumber);
}

}  // namespace murelta
