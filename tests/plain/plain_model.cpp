#include "plain_model.hpp"

#include <cmath>
#include <filesystem>

#include "run/run.hpp"

namespace murelta::plain {

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

Agent& agentOf(PlainState& p, int a) {
    return p.s.agents[at(a)];
}

const Agent& agentOf(const PlainState& p, int a) {
    return p.s.agents[at(a)];
}

void charge(PlainState& p, const Agent& agent, double cost) {
    Individual& individual = p.s.population[at(agent.individual)];
    individual.fitness = individual.fitness - cost / p.s.cyclesPerRun;
}

void turn(PlainState& p, std::int16_t a) {
    SimState& s = p.s;
    Agent& agent = agentOf(p, a);
    const int n = s.groupSize;
    const int x = agent.x;
    const int y = agent.y;
    const int r = static_cast<int>(agent.retina);

    agent.mapHit = false;
    std::int16_t best = 0;
    std::int16_t bestX = 0;
    std::int16_t bestY = 0;
    double seen = 0.0;
    double sumDX = 0.0;
    double sumDY = 0.0;

    for (int c = 0; c <= s.arenaWidth; ++c) {
        for (int d = 0; d <= s.arenaHeight; ++d) {
            if (p.map(a, c, d) > best) {
                best = p.map(a, c, d);
                bestX = static_cast<std::int16_t>(c);
                bestY = static_cast<std::int16_t>(d);
                agent.mapHit = true;
            }
        }
    }

    const Grid<std::int16_t>& view = p.views[at(a)];
    for (int i = 0; i <= 2 * r; ++i) {
        for (int j = 0; j <= 2 * r; ++j) {
            if (view(i, j) == 1) {
                sumDX = sumDX + (i - r);
                sumDY = sumDY + (j - r);
                seen = seen + 1;
            }
        }
    }

    int sumLX = 0;
    int sumLY = 0;
    int leaders = 0;
    for (int k = 0; k < n; ++k) {
        if (agentOf(p, k).rank == 1) {
            sumLX = sumLX + agentOf(p, k).x;
            sumLY = sumLY + agentOf(p, k).y;
            leaders = leaders + 1;
        }
    }

    double tx = 0.0;
    double ty = 0.0;
    if (seen == 0 && best == 0) {
        int dx = s.random.draw() > 0.5 ? 1 : -1;
        int dy = s.random.draw() > 0.5 ? 1 : -1;
        if (s.expGeneOn) {
            const float u3 = s.random.draw();
            if (static_cast<float>(agent.expGene) > u3) {
                if (s.expCostOn) {
                    charge(p, agent, s.expCost);
                }
            } else {
                dx = 0;
                dy = 0;
            }
        }
        if (leaders > 0) {
            tx = static_cast<double>(sumLX) / leaders + 7 * dx;
            ty = static_cast<double>(sumLY) / leaders + 7 * dy;
        } else {
            tx = x + dx;
            ty = y + dy;
        }
    } else {
        Message msg;
        if (seen >= best) {
            msg.x = static_cast<std::int16_t>(std::floor(x + sumDX / seen));
            msg.y = static_cast<std::int16_t>(std::floor(y + sumDY / seen));
            msg.value = static_cast<std::int16_t>(seen);
        } else {
            msg.x = bestX;
            msg.y = bestY;
            msg.value = best;
        }
        tx = msg.x;
        ty = msg.y;
        msg.sender = a;
        for (int k = 0; k < n; ++k) {
            if (inCommRange(p, a, static_cast<std::int16_t>(k)) && agent.links[at(k)] == 1) {
                msg.receiver = static_cast<std::int16_t>(k);
                if (s.comGeneOn) {
                    const float u = s.random.draw();
                    if (static_cast<float>(agent.comGene) > u) {
                        sendMessage(p, msg);
                        if (s.comCostOn) {
                            charge(p, agent, s.comCost);
                        }
                    }
                } else {
                    sendMessage(p, msg);
                    if (s.comCostOn) {
                        charge(p, agent, s.comCost);
                    }
                }
            }
        }
    }

    int nx = x;
    if (tx > nx) {
        nx = nx + 1;
    }
    if (tx < nx) {
        nx = nx - 1;
    }
    int ny = y;
    if (ty > ny) {
        ny = ny + 1;
    }
    if (ty < ny) {
        ny = ny - 1;
    }
    if (nx > s.arenaWidth) {
        nx = s.arenaWidth;
    }
    if (ny > s.arenaHeight) {
        ny = s.arenaHeight;
    }
    if (nx < 0) {
        nx = 0;
    }
    if (ny < 0) {
        ny = 0;
    }
    agent.x = static_cast<std::int16_t>(nx);
    agent.y = static_cast<std::int16_t>(ny);
    if (s.arena(nx, ny) == 1) {
        agent.inArena = false;
    }
    if (agent.inArena) {
        agent.timeInArena = static_cast<std::int16_t>(agent.timeInArena + 1);
    }
}

}  // namespace

PlainState::PlainState(const SimState& start)
    : s(start),
      maps(start.agents.size(),
           std::vector<std::int16_t>(static_cast<std::size_t>(start.arenaWidth + 1) *
                                         static_cast<std::size_t>(start.arenaHeight + 1),
                                     0)),
      messages(kSlots),
      views(start.agents.size()) {
    for (Message& m : messages) {
        m.delay = -1;
    }
}

std::int16_t& PlainState::map(int agent, int x, int y) {
    return maps[at(agent)][at(x) * at(s.arenaHeight + 1) + at(y)];
}

std::int16_t PlainState::map(int agent, int x, int y) const {
    return maps[at(agent)][at(x) * at(s.arenaHeight + 1) + at(y)];
}

void clearAgentMap(PlainState& p, std::int16_t a) {
    for (int x = 0; x <= p.s.arenaWidth; ++x) {
        for (int y = 0; y <= p.s.arenaHeight; ++y) {
            p.map(a, x, y) = 0;
        }
    }
}

void updateRetina(PlainState& p) {
    SimState& s = p.s;
    for (int a = 0; a < s.groupSize; ++a) {
        clearAgentMap(p, static_cast<std::int16_t>(a));
    }
    for (int a = 0; a < s.groupSize; ++a) {
        Agent& agent = agentOf(p, a);
        int count = 0;
        const int r = static_cast<int>(agent.retina);
        Grid<std::int16_t>& view = p.views[at(a)];
        if (view.columns() != 2 * r + 1) {
            view = Grid<std::int16_t>(2 * r + 1, 2 * r + 1);
        }
        for (int dx = -r; dx <= r; ++dx) {
            for (int dy = -r; dy <= r; ++dy) {
                const int cx = agent.x + dx;
                const int cy = agent.y + dy;
                if (cx < 0 || cx > s.arenaWidth || cy < 0 || cy > s.arenaHeight) {
                    view(dx + r, dy + r) = 0;
                } else {
                    view(dx + r, dy + r) = s.arena(cx, cy);
                    if (s.arena(cx, cy) == 1) {
                        count = count + 1;
                    }
                }
            }
        }
        p.map(a, agent.x, agent.y) = static_cast<std::int16_t>(count);
    }
}

void clearMessages(PlainState& p) {
    for (int i = 0; i < kSlots; ++i) {
        p.messages[at(i)].delay = -1;
    }
}

void sendMessage(PlainState& p, const Message& msg) {
    for (int i = 0; i < kSlots; ++i) {
        Message& slot = p.messages[at(i)];
        if (slot.delay == -1) {
            slot.delay = kDelay;
            slot.sender = msg.sender;
            slot.receiver = msg.receiver;
            slot.x = msg.x;
            slot.y = msg.y;
            slot.value = msg.value;
            return;
        }
    }
    ++p.dropped;
}

void deliverMessages(PlainState& p) {
    for (int i = 0; i < kSlots; ++i) {
        Message& slot = p.messages[at(i)];
        slot.delay = static_cast<std::int16_t>(slot.delay - 1);
        if (slot.delay == 0) {
            p.map(slot.receiver, slot.x, slot.y) = slot.value;
        }
        if (slot.delay < -1) {
            slot.delay = -1;
        }
    }
}

std::int16_t countMessages(const PlainState& p) {
    int count = 0;
    for (int i = 0; i < kSlots; ++i) {
        if (p.messages[at(i)].delay > -1) {
            count = count + 1;
        }
    }
    return static_cast<std::int16_t>(count);
}

bool inCommRange(const PlainState& p, std::int16_t a, std::int16_t b) {
    if (p.s.commRadius >= p.s.arenaDiagonal) {
        return true;
    }
    const auto dx = static_cast<std::int16_t>(agentOf(p, a).x - agentOf(p, b).x);
    const auto dy = static_cast<std::int16_t>(agentOf(p, a).y - agentOf(p, b).y);
    const double distance = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    return distance < p.s.commRadius;
}

void agentsStep(PlainState& p) {
    const std::int16_t last = static_cast<std::int16_t>(p.s.groupSize - 1);
    for (std::int16_t a = 0; a <= last; ++a) {
        turn(p, a);
    }
}

std::int16_t countAgentsOut(const PlainState& p) {
    int out = 0;
    for (int a = 0; a < p.s.groupSize; ++a) {
        if (!agentOf(p, a).inArena) {
            out = out + 1;
        }
    }
    return static_cast<std::int16_t>(out);
}

void PlainWorld::clearMessages(SimState&) {
    plain::clearMessages(p_);
}

void PlainWorld::stepCycle(SimState&) {
    updateRetina(p_);
    deliverMessages(p_);
    agentsStep(p_);
}

std::int16_t PlainWorld::countMessages(const SimState&) const {
    return plain::countMessages(p_);
}

}  // namespace murelta::plain
