// The simulation cycle written the plain way: every agent map a full grid wiped and scanned whole
// each cycle, the queue an array of 15001 records scanned slot by slot, every view scanned whole.
// The engine is checked against it and its speed is measured against it.
#pragma once

#include <cstdint>
#include <vector>

#include "run/cycle.hpp"
#include "run/data_file.hpp"
#include "sim/state.hpp"

namespace murelta::plain {

inline constexpr int kSlots = 15001;
inline constexpr std::int16_t kDelay = 5;

// A copy of a simulation whose agent maps and message queue are replaced by plain ones, and whose
// agents keep their views; the copy's own AgentMap and MessageQueue are never touched.
struct PlainState {
    explicit PlainState(const SimState& start);

    SimState s;
    // One full grid per agent, column by column over columns 0..W and rows 0..H.
    std::vector<std::vector<std::int16_t>> maps;
    std::vector<Message> messages;  // kSlots records, delay -1 when free
    long dropped = 0;               // messages sent to a full queue
    // Per agent, the (2 retina + 1) squared window centred on it, filled every cycle.
    std::vector<Grid<std::int16_t>> views;

    std::int16_t& map(int agent, int x, int y);
    std::int16_t map(int agent, int x, int y) const;
};

void clearAgentMap(PlainState& p, std::int16_t a);
void updateRetina(PlainState& p);

void clearMessages(PlainState& p);
void sendMessage(PlainState& p, const Message& msg);
void deliverMessages(PlainState& p);
std::int16_t countMessages(const PlainState& p);
bool inCommRange(const PlainState& p, std::int16_t a, std::int16_t b);

void agentsStep(PlainState& p);
std::int16_t countAgentsOut(const PlainState& p);

// The plain cycle as the world the run driver steps. The driver is handed p.s, whose own maps
// and queue this world never touches.
class PlainWorld final : public World {
  public:
    explicit PlainWorld(PlainState& p) : p_(p) {}
    void clearMessages(SimState& s) override;
    void stepCycle(SimState& s) override;
    std::int16_t countMessages(const SimState& s) const override;

  private:
    PlainState& p_;
};

}  // namespace murelta::plain
