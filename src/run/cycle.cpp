#include "run/cycle.hpp"

#include "behaviour/agent_step.hpp"
#include "behaviour/communication.hpp"
#include "sim/state.hpp"
#include "world/retina.hpp"

namespace murelta {

namespace {

// Whether the first agent's retina covers the arena from where it stands: a glance that rules the
// cycle of whole views out, for every narrower retina, before anything else is looked at.
bool firstSeesEverything(const SimState& s) {
    if (s.agents.empty()) {
        return false;
    }
    const Agent& first = s.agents.front();
    return s.targetSums.coversAll(first.x, first.y, static_cast<int>(first.retina));
}

}  // namespace

void stepCycle(SimState& s) {
    if (firstSeesEverything(s) && stepWhenAllSeeEverything(s)) {
        return;
    }
    updateRetina(s);
    deliverMessages(s);
    agentsStep(s);
}

void EngineWorld::clearMessages(SimState& s) {
    murelta::clearMessages(s);
}

void EngineWorld::stepCycle(SimState& s) {
    murelta::stepCycle(s);
}

std::int16_t EngineWorld::countMessages(const SimState& s) const {
    return murelta::countMessages(s);
}

}  // namespace murelta
