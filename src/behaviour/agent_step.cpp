#include "behaviour/agent_step.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "behaviour/communication.hpp"
#include "sim/state.hpp"
#include "world/retina.hpp"

namespace murelta {

namespace {

// Charges a cost to the individual an agent carries.
void charge(SimState& s, const Agent& agent, double cost) {
    changeFitness(s, agent.individual, -(cost / s.cyclesPerRun));
}

struct Heading {
    double x = 0.0;
    double y = 0.0;
    bool whole = false;  // x and y are whole numbers, the cell itself
};

// The positions of the rank-1 agents summed, kept up to date as they move, so that each turn
// sees the positions they hold at that moment without looking at the whole group. Ranks do not
// change during a cycle.
struct Leaders {
    int count = 0;
    long sumX = 0;
    long sumY = 0;
};

Leaders sumLeaders(const SimState& s) {
    Leaders leaders;
    for (int k = 0; k < s.groupSize; ++k) {
        const Agent& other = s.agent(k);
        if (other.rank == 1) {
            leaders.sumX += other.x;
            leaders.sumY += other.y;
            ++leaders.count;
        }
    }
    return leaders;
}

Heading wander(SimState& s, Agent& agent, const Leaders& leaders) {
    int dx = s.random.draw() > 0.5f ? 1 : -1;
    int dy = s.random.draw() > 0.5f ? 1 : -1;
    if (s.expGeneOn) {
        if (static_cast<float>(agent.expGene) > s.random.draw()) {
            if (s.expCostOn) {
                charge(s, agent, s.expCost);
            }
        } else {
            dx = 0;
            dy = 0;
        }
    }
    // Every rank-1 agent counts as a leader, at the position it holds at this moment.
    if (leaders.count > 0) {
        return {static_cast<double>(leaders.sumX) / leaders.count + 7.0 * dx,
                static_cast<double>(leaders.sumY) / leaders.count + 7.0 * dy};
    }
    return {static_cast<double>(agent.x + dx), static_cast<double>(agent.y + dy), true};
}

// The receivers of an agent's links, kept from one turn to the next as long as its links stay
// the same, which comparing the bytes tells far faster than gathering them anew. Groups larger
// than this gather them every time rather than keep a copy of every agent's links.
constexpr std::size_t kMostCachedLinks = 1024;

const std::vector<std::int16_t>& linkList(SimState& s, std::int16_t a, const std::uint8_t* links,
                                          std::size_t n) {
    auto& caches = s.delivery.links;
    const auto index = static_cast<std::size_t>(a);
    if (caches.size() <= index) {
        caches.resize(index + 1);
    }
    DeliveryWork::Links& cache = caches[index];
    if (cache.copy.size() != n || std::memcmp(cache.copy.data(), links, n) != 0) {
        cache.copy.assign(links, links + n);
        cache.receivers.clear();
        for (std::size_t k = 0; k < n; ++k) {
            if (links[k] == 1) {
                cache.receivers.push_back(static_cast<std::int16_t>(k));
            }
        }
    }
    return cache.receivers;
}

// An agent's position as two 16-bit halves, x low and y high, as the range test reads them.
std::uint32_t packPosition(std::int16_t x, std::int16_t y) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
           (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
}

// The agents k..n-1 linked to and near enough to (x, y), in index order, written to `out`;
// returns how many. Squared distances between cells of an int16 arena fit 32 unsigned bits.
std::size_t gatherNear(const std::uint8_t* links, const std::uint32_t* positions, std::size_t k,
                       std::size_t n, std::int16_t x, std::int16_t y, std::uint32_t below,
                       bool allPositive, std::int16_t* out) {
    std::size_t count = 0;
#if defined(__SSE2__)
    // Sixteen agents at a time. With every position at or above 0, each difference of
    // coordinates fits 16 signed bits, and the sum of two squares, at most 2 x 32767^2, fits 31:
    // one multiply-add gives it exactly. Nothing it gives reaches 2^31 - 1, so a limit cut down to
    // that keeps every answer.
    if (allPositive) {
        const __m128i self = _mm_set1_epi32(static_cast<int>(packPosition(x, y)));
        const __m128i limit = _mm_set1_epi32(static_cast<int>(
            std::min<std::uint32_t>(below, std::numeric_limits<std::int32_t>::max())));
        const __m128i one = _mm_set1_epi8(1);
        const auto nearOf = [&](std::size_t from) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(positions + from));
            const __m128i d = _mm_sub_epi16(self, p);
            return _mm_cmplt_epi32(_mm_madd_epi16(d, d), limit);
        };
        for (; k + 16 <= n; k += 16) {
            const __m128i near = _mm_packs_epi16(_mm_packs_epi32(nearOf(k), nearOf(k + 4)),
                                                 _mm_packs_epi32(nearOf(k + 8), nearOf(k + 12)));
            const __m128i linked =
                _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(links + k)), one);
            const auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(near, linked)));
            if (bits == 0xFFFF) {
                // All sixteen, as in a group gathered around one cell: their indexes at once.
                const __m128i base = _mm_set1_epi16(static_cast<std::int16_t>(k));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count),
                                 _mm_add_epi16(base, _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + count + 8),
                                 _mm_add_epi16(base, _mm_setr_epi16(8, 9, 10, 11, 12, 13, 14, 15)));
                count += 16;
            } else if (bits != 0) {
                // Each index written and kept when its bit is set, without a branch per agent.
                for (unsigned j = 0; j < 16; ++j) {
                    out[count] = static_cast<std::int16_t>(k + j);
                    count += (bits >> j) & 1U;
                }
            }
        }
    }
#else
    static_cast<void>(allPositive);
#endif
    // Each step keeps its survivors at the front without a branch per agent.
    const std::int32_t sx = x;
    const std::int32_t sy = y;
    for (; k < n; ++k) {
        const std::int32_t dx = sx - static_cast<std::int16_t>(positions[k] & 0xFFFF);
        const std::int32_t dy = sy - static_cast<std::int16_t>(positions[k] >> 16);
        const std::uint32_t squared =
            static_cast<std::uint32_t>(dx * dx) + static_cast<std::uint32_t>(dy * dy);
        out[count] = static_cast<std::int16_t>(k);
        count += (links[k] == 1) & (squared < below) ? 1 : 0;
    }
    return count;
}

// The index of the first link (a byte equal to 1) among links[0..n-1], or n when there is none.
// Most agents of a network without links have none, and a small group's row is a vector or two:
// each is searched at once, without a call.
inline std::size_t firstLink(const std::uint8_t* links, std::size_t n) {
    constexpr std::size_t kLongRow = 64;
#if defined(__SSE2__)
    if (n >= 8 && n < 16) {
        // Bytes 0 to 7 and n-8 to n-1 in one vector, a bit each in the mask: a link found in the
        // second half and not the first lies at or after byte 8.
        const __m128i bytes =
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(links)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(links + n - 8)));
        const auto found = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(1))));
        if (found == 0) {
            return n;
        }
        return (found & 0xFFU) != 0 ? static_cast<std::size_t>(std::countr_zero(found))
                                    : n - 16 + static_cast<std::size_t>(std::countr_zero(found));
    }
    if (n >= 16 && n < kLongRow) {
        const __m128i one = _mm_set1_epi8(1);
        // The 16 bytes from `at` equal to 1, a bit each; the last piece overlaps the one
        // before, whose bytes hold no link, so the first it finds is the first of the tail.
        const auto ones = [&](std::size_t at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(links + at));
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, one)));
        };
        std::size_t k = 0;
        for (; k + 16 <= n; k += 16) {
            if (const unsigned found = ones(k); found != 0) {
                return k + static_cast<std::size_t>(std::countr_zero(found));
            }
        }
        if (k < n) {
            if (const unsigned found = ones(n - 16); found != 0) {
                return n - 16 + static_cast<std::size_t>(std::countr_zero(found));
            }
        }
        return n;
    }
#endif
    if (n >= 8) {
        const void* found = std::memchr(links, 1, n);
        return found == nullptr
                   ? n
                   : static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - links);
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (links[k] == 1) {
            return k;
        }
    }
    return n;
}

void report(SimState& s, std::int16_t a, const Message& message, const CommRange& range,
            bool allPositive) {
    const Agent& agent = s.agent(a);
    const std::uint8_t* links = agent.links.data();
    const auto n = static_cast<std::size_t>(std::max<int>(s.groupSize, 0));
    auto k = firstLink(links, n);
    if (k == n) {
        return;
    }
    // Queuing touches neither the draws nor the costs, so the receivers can be gathered, in the
    // same order, straight into the queue as one report.
    std::int16_t* receivers = s.messages.gatherRoom(n - k).data();
    std::size_t count = 0;
    if (!range.everywhere) {
        // Linked and near enough, from the positions the agents hold at this moment.
        const auto below = static_cast<std::uint32_t>(
            std::min<std::int64_t>(range.below, std::numeric_limits<std::uint32_t>::max()));
        count = gatherNear(links, s.delivery.positions.data(), k, n, agent.x, agent.y, below,
                           allPositive, receivers);
    } else if (n <= kMostCachedLinks) {
        const std::vector<std::int16_t>& list = linkList(s, a, links, n);
        std::copy(list.begin(), list.end(), receivers);
        count = list.size();
    } else {
        // Eight links at a time: a sparse network has mostly empty words.
        for (; k + 8 <= n; k += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, links + k, sizeof word);
            if (word == 0) {
                continue;
            }
            for (std::size_t j = k; j < k + 8; ++j) {
                receivers[count] = static_cast<std::int16_t>(j);
                count += links[j] == 1 ? 1 : 0;
            }
        }
        for (; k < n; ++k) {
            receivers[count] = static_cast<std::int16_t>(k);
            count += links[k] == 1 ? 1 : 0;
        }
    }
    if (s.comGeneOn) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::int16_t to = receivers[i];
            receivers[kept] = to;
            kept += static_cast<float>(agent.comGene) > s.random.draw() ? 1 : 0;
        }
        count = kept;
    }
    // Charged per message handed to the queue, also when a full queue drops it.
    if (s.comCostOn) {
        for (std::size_t i = 0; i < count; ++i) {
            charge(s, agent, s.comCost);
        }
    }
    // Every way of gathering above keeps the agents in index order.
    s.messages.pushGathered(message, count, true);
}

// Perception has summed the view of this cycle; a caller that stepped without perceiving
// first gets the agent to look around from where it stands.
ViewSums viewSums(const SimState& s, const Agent& agent, std::int16_t a) {
    if (static_cast<std::size_t>(a) < s.viewSums.size()) {
        return s.viewSums[static_cast<std::size_t>(a)];
    }
    return lookAround(s, agent);
}

// The cell the targets an agent sees centre on is floor(s / count) of the coordinates' own sum
// s = sum + count p, the same for agents that see the same target cells, as every agent does
// whose retina covers the arena: the last one's answer is taken again without a division.
struct Centre {
    int count = 0;
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    std::int16_t x = 0;
    std::int16_t y = 0;
    // The cell as the heading a turn keeps.
    double headingX = 0.0;
    double headingY = 0.0;
};

inline void centreOf(const ViewSums& sums, const Agent& agent, Centre& last) {
    const std::int64_t sumX = sums.sumDX + std::int64_t{sums.seen} * agent.x;
    const std::int64_t sumY = sums.sumDY + std::int64_t{sums.seen} * agent.y;
    if (sums.seen == last.count && sumX == last.sumX && sumY == last.sumY) {
        return;
    }
    const std::int16_t x = centreCoordinate(agent.x, sums.sumDX, sums.seen);
    const std::int16_t y = centreCoordinate(agent.y, sums.sumDY, sums.seen);
    last = {sums.seen, sumX, sumY, x, y, static_cast<double>(x), static_cast<double>(y)};
}

std::int16_t stepTowards(std::int16_t position, double heading) {
    int p = position;
    if (heading > p) {
        ++p;
    }
    if (heading < p) {
        --p;
    }
    return static_cast<std::int16_t>(p);
}

// Towards a cell: one step by the sign of the difference, as stepTowards gives.
int towards(int from, int to) {
    return (to > from ? 1 : 0) - (to < from ? 1 : 0);
}

// The end of a turn: the agent kept on the arena, and out of it on a target.
void arrive(const SimState& s, Agent& agent) {
    if (agent.x > s.arenaWidth) {
        agent.x = s.arenaWidth;
    }
    if (agent.y > s.arenaHeight) {
        agent.y = s.arenaHeight;
    }
    if (agent.x < 0) {
        agent.x = 0;
    }
    if (agent.y < 0) {
        agent.y = 0;
    }
    if (s.arena(agent.x, agent.y) == kTargetCell) {
        agent.inArena = false;
    }
    if (agent.inArena) {
        ++agent.timeInArena;
    }
}

void turn(SimState& s, std::int16_t a, Leaders& leaders, Centre& centre, const CommRange& range,
          bool allPositive) {
    Agent& agent = s.agent(a);
    agent.mapHit = false;
    const AgentMap::Best best = agent.map.best();
    if (best.value > 0) {
        agent.mapHit = true;
    }

    // The offsets are small whole numbers, so their sums are exact in any order.
    const ViewSums sums = viewSums(s, agent, a);
    const double seen = sums.seen;

    Heading heading;
    if (seen == 0.0 && best.value == 0) {
        heading = wander(s, agent, leaders);
        agent.knowledge = Knowledge::Wandering;
    } else {
        // A tie between what the agent sees and what its map holds goes to what it sees.
        Message message;
        message.sender = a;
        if (seen >= best.value) {
            centreOf(sums, agent, centre);
            message.x = centre.x;
            message.y = centre.y;
            message.value = static_cast<std::int16_t>(seen);
            agent.knowledge = Knowledge::Retina;
        } else {
            message.x = best.x;
            message.y = best.y;
            message.value = best.value;
            agent.knowledge = Knowledge::Map;
        }
        heading = {static_cast<double>(message.x), static_cast<double>(message.y), true};
        report(s, a, message, range, allPositive);
    }

    agent.headingX = heading.x;
    agent.headingY = heading.y;
    const std::int16_t fromX = agent.x;
    const std::int16_t fromY = agent.y;
    if (heading.whole) {
        agent.x = static_cast<std::int16_t>(agent.x + towards(agent.x, static_cast<int>(heading.x)));
        agent.y = static_cast<std::int16_t>(agent.y + towards(agent.y, static_cast<int>(heading.y)));
    } else {
        agent.x = stepTowards(agent.x, heading.x);
        agent.y = stepTowards(agent.y, heading.y);
    }
    arrive(s, agent);
    if (agent.rank == 1) {
        leaders.sumX += agent.x - fromX;
        leaders.sumY += agent.y - fromY;
    }
    if (!range.everywhere) {
        s.delivery.positions[static_cast<std::size_t>(a)] = packPosition(agent.x, agent.y);
    }
}

// What a turn that heads for what the agent sees reads of the arena, held in locals: the flags
// such a turn writes are bytes, which could otherwise alias anything and be read again at every
// agent.
struct ArenaCells {
    const std::int16_t* cells = nullptr;
    std::size_t rows = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
};

ArenaCells arenaCells(const SimState& s) {
    return {s.arena.cells().data(), static_cast<std::size_t>(s.arena.rows()), s.arenaWidth,
            s.arenaHeight};
}

// The turn of an agent that sees a target, knows of none better and has no link, given the
// centre of what it sees: one step towards it.
inline void headFor(Agent& agent, const Centre& centre, const ArenaCells& arena) {
    agent.knowledge = Knowledge::Retina;
    agent.headingX = centre.headingX;
    agent.headingY = centre.headingY;
    // The end of the turn as arrive() has it, on the locals, but without a branch: when an
    // agent heading for a target reaches it is as good as random to the predictor, while a
    // wandering agent, whose turns arrive() ends, almost never does.
    int x = agent.x + towards(agent.x, centre.x);
    int y = agent.y + towards(agent.y, centre.y);
    x = x > arena.width ? arena.width : x;
    y = y > arena.height ? arena.height : y;
    x = x < 0 ? 0 : x;
    y = y < 0 ? 0 : y;
    agent.x = static_cast<std::int16_t>(x);
    agent.y = static_cast<std::int16_t>(y);
    const bool off = arena.cells[static_cast<std::size_t>(x) * arena.rows +
                                 static_cast<std::size_t>(y)] != kTargetCell;
    const bool stays = agent.inArena & off;
    agent.inArena = stays;
    agent.timeInArena = static_cast<std::int16_t>(agent.timeInArena + (stays ? 1 : 0));
}

// The turns of the agents, from the first on, that see a target, know of none better and have
// no link, as a retina that covers the arena makes every agent: each heads for the centre of
// what it sees. Such a turn draws no number, charges no cost, queues no report and reads nothing
// of another agent, so it needs none of the bookkeeping of wandering, leaders and reports.
// Returns the first agent that does not qualify, having done nothing to it.
std::int16_t headForWhatTheySee(SimState& s, std::int16_t n, Centre& shared) {
    const auto count = static_cast<std::size_t>(std::max<int>(n, 0));
    if (s.viewSums.size() < count) {
        return 0;
    }
    Agent* const agents = s.agents.data();
    const ViewSums* const views = s.viewSums.data();
    const ArenaCells arena = arenaCells(s);
    Centre centre = shared;
    std::int16_t a = 0;
    for (; a < n; ++a) {
        Agent& agent = agents[a];
        const ViewSums& sums = views[a];
        const std::int16_t best = agent.map.best().value;
        if (sums.seen <= 0 || best > sums.seen || firstLink(agent.links.data(), count) != count) {
            break;
        }
        agent.mapHit = best > 0;
        centreOf(sums, agent, centre);
        headFor(agent, centre, arena);
    }
    shared = centre;
    return a;
}

}  // namespace

std::int16_t centreCoordinate(int position, int sum, int count) {
    // position + floor(sum / count) agrees with floor(position + sum / count) taken in doubles.
    // Both terms are below 2^16 in size, so the double quotient and sum are off by less than
    // 2^-36, while a quotient that is not whole lies at least 1 / count, above 2^-31, from every
    // whole number, and a whole one is exact.
    const int quotient = sum / count;
    const int below = (sum % count != 0) & (sum < 0) ? 1 : 0;
    return static_cast<std::int16_t>(position + quotient - below);
}

bool stepWhenAllSeeEverything(SimState& s) {
    const std::int16_t n = s.groupSize;
    const auto count = static_cast<std::size_t>(std::max<int>(n, 0));
    if (n <= 0 || s.agents.size() < count || !s.messages.deliversNothingNext() ||
        s.targetSums.columns() != s.arena.columns() || s.targetSums.rows() != s.arena.rows()) {
        return false;
    }
    Agent* const agents = s.agents.data();
    for (std::int16_t a = 0; a < n; ++a) {
        const Agent& agent = agents[a];
        const int r = static_cast<int>(agent.retina);
        if (agent.retina != r || !s.targetSums.coversAll(agent.x, agent.y, r) ||
            firstLink(agent.links.data(), count) != count) {
            return false;
        }
    }
    if (s.targetSums.aroundAll(agents[0].x, agents[0].y).count <= 0) {
        return false;
    }

    // Perception, agent by agent, as updateRetina does it.
    if (s.viewSums.size() != count) {
        s.viewSums.resize(count);
    }
    ViewSums* const views = s.viewSums.data();
    for (std::int16_t a = 0; a < n; ++a) {
        Agent& agent = agents[a];
        const CellSums::Totals seen = s.targetSums.aroundAll(agent.x, agent.y);
        views[a] = {seen.count, seen.sumDX, seen.sumDY, agent.x, agent.y};
        agent.map.wipeAndSet(agent.x, agent.y, static_cast<std::int16_t>(seen.count));
    }
    // The queue moves on; nothing is due, so no map is given anything.
    s.messages.advance();
    // The turns. Each map holds only the agent's own cell, with the count it sees, so what it
    // sees is the best it knows; and every view is the whole arena, whose target cells centre on
    // one cell for all: x + floor((sumX - count x) / count) is floor(sumX / count) for every x.
    Centre centre;
    centreOf(views[0], agents[0], centre);
    const ArenaCells arena = arenaCells(s);
    for (std::int16_t a = 0; a < n; ++a) {
        Agent& agent = agents[a];
        agent.mapHit = true;
        headFor(agent, centre, arena);
    }
    return true;
}

void agentsStep(SimState& s) {
    const std::int16_t n = s.groupSize;
    // While the agents head for what they see, nothing else is needed. From the first that
    // does not, the leaders and the positions are taken as they stand at that moment, which is
    // what the turns before would have kept up to date.
    Centre centre;
    const std::int16_t first = headForWhatTheySee(s, n, centre);
    if (first == n) {
        return;
    }
    Leaders leaders = sumLeaders(s);
    // The radius and the arena do not change during a cycle.
    const CommRange range = commRange(s);
    // A turn leaves the agent at or above 0 in both coordinates; agents placed elsewhere by
    // hand take the plain range test for this cycle.
    bool allPositive = true;
    if (!range.everywhere) {
        s.delivery.positions.resize(static_cast<std::size_t>(std::max<int>(n, 0)));
        for (std::int16_t a = 0; a < n; ++a) {
            const Agent& agent = s.agent(a);
            s.delivery.positions[static_cast<std::size_t>(a)] = packPosition(agent.x, agent.y);
            allPositive = allPositive && agent.x >= 0 && agent.y >= 0;
        }
    }
    for (std::int16_t a = first; a < n; ++a) {
        turn(s, a, leaders, centre, range, allPositive);
    }
}

}  // namespace murelta
