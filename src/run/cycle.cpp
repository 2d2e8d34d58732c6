#include "run/cycle.hpp"

#include "behaviour/agent_step.hpp"
#include "behaviour/communication.hpp"
#include "world/retina.hpp"

namespace murelta {

void stepCycle(SimState& s) {
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
