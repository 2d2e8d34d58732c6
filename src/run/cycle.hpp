// One cycle of the world, and the world the run driver steps: the engine, or in the tests a
// plain full-scan model that keeps its own agent maps and message queue.
#pragma once

#include <cstdint>

namespace murelta {

struct SimState;

// Advances the world by one cycle: perception, delivery of the messages that fall due, and
// every agent's step. The exit checks are the driver's.
void stepCycle(SimState& s);

// What the run driver needs of a world beyond the SimState it is handed.
class World {
  public:
    virtual ~World() = default;
    // Empties the message queue at a run start.
    virtual void clearMessages(SimState& s) = 0;
    virtual void stepCycle(SimState& s) = 0;
    // The messages in the queue.
    virtual std::int16_t countMessages(const SimState& s) const = 0;
};

// The engine: the SimState's own maps and queue.
class EngineWorld final : public World {
  public:
    void clearMessages(SimState& s) override;
    void stepCycle(SimState& s) override;
    std::int16_t countMessages(const SimState& s) const override;
};

}  // namespace murelta
