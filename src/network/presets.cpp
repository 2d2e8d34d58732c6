#include "network/presets.hpp"

#include <cstddef>
#include <optional>

#include "network/links.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/state.hpp"

namespace murelta {

namespace {

enum class Range { kIndependent, kDependent };
enum class Topology { kNoLinks, kAll2All, kStar, kCircle };
enum class Leader { kNoLeader, kLeader0 };
enum class Retina { kNoRetina, kRetina0, kRetinaMiddle };
using enum Range;
using enum Topology;
using enum Leader;
using enum Retina;

struct Preset {
    std::string_view name;
    Range range;
    Topology topology;
    Leader leader;
    Retina retina;
};

// kNoLeader and kNoRetina write nothing: an earlier leader or retina stays.
constexpr std::array<Preset, 18> kPresets = {{
    {"None", kIndependent, kNoLinks, kNoLeader, kNoRetina},
    {"Tab 1", kIndependent, kNoLinks, kNoLeader, kNoRetina},
    {"Tab 2", kIndependent, kNoLinks, kLeader0, kNoRetina},
    {"Tab 3", kIndependent, kNoLinks, kNoLeader, kRetina0},
    {"Tab 4", kIndependent, kNoLinks, kLeader0, kRetina0},
    {"Tab 5", kIndependent, kNoLinks, kLeader0, kRetinaMiddle},
    {"Tab 6a", kIndependent, kAll2All, kNoLeader, kNoRetina},
    {"Tab 6b", kIndependent, kStar, kNoLeader, kNoRetina},
    {"Tab 6c", kIndependent, kCircle, kNoLeader, kNoRetina},
    {"Tab 7", kDependent, kNoLinks, kNoLeader, kNoRetina},
    {"Tab 8", kIndependent, kAll2All, kLeader0, kNoRetina},
    {"Tab 9", kIndependent, kAll2All, kNoLeader, kRetina0},
    {"Tab 10a", kIndependent, kAll2All, kLeader0, kRetina0},
    {"Tab 10b", kIndependent, kAll2All, kLeader0, kRetinaMiddle},
    {"Tab 11a", kDependent, kAll2All, kLeader0, kNoRetina},
    {"Tab 11b", kDependent, kAll2All, kLeader0, kRetina0},
    {"Tab 11c", kDependent, kAll2All, kLeader0, kRetinaMiddle},
    {"Tab 12", kDependent, kAll2All, kNoLeader, kRetinaMiddle},
}};

constexpr bool namesMatchTheList() {
    for (std::size_t i = 0; i < kPresets.size(); ++i) {
        if (kPresets[i].name != kPresetNames[i]) {
            return false;
        }
    }
    return true;
}
static_assert(namesMatchTheList(), "every listed preset needs its row, in the list's order");

// The presets were made for groups of 10 and 50 only; any other count has no middle agent.
std::optional<std::size_t> middleAgent(std::string_view agentCountText) {
    double count = 0.0;
    try {
        count = parseNumber(agentCountText, "Group size");
    } catch (const Error&) {
        return std::nullopt;
    }
    if (count == 10.0) {
        return 5;
    }
    if (count == 50.0) {
        return 25;
    }
    return std::nullopt;
}

// The agent-count text may disagree with the allocated group; an agent it names that does not
// exist is left out rather than written past the group.
Agent* existingAgent(SimState& s, std::optional<std::size_t> index) {
    if (!index || s.groupSize <= 0 || *index >= static_cast<std::size_t>(s.groupSize)) {
        return nullptr;
    }
    return &s.agents[*index];
}

}  // namespace

void applyPreset(SimState& s, std::string_view item, std::string_view agentCountText) {
    requireStructures(s);
    s.commRadius = kSpaceIndependentRadius;
    clearNet(s);

    const Preset* preset = nullptr;
    for (const Preset& candidate : kPresets) {
        if (candidate.name == item) {
            preset = &candidate;
            break;
        }
    }
    if (preset == nullptr) {
        return;
    }

    if (preset->range == kDependent) {
        s.commRadius = kSpaceDependentRadius;
    }
    switch (preset->topology) {
        case kNoLinks:
            break;
        case kAll2All:
            netAll2All(s);
            break;
        case kStar:
            netStar(s);
            break;
        case kCircle:
            netCircle(s);
            break;
    }
    if (preset->leader == kLeader0) {
        if (Agent* agent = existingAgent(s, std::size_t{0})) {
            agent->rank = 1;
        }
    }
    if (preset->retina != kNoRetina) {
        const std::optional<std::size_t> index = preset->retina == kRetina0
                                                     ? std::optional<std::size_t>(0)
                                                     : middleAgent(agentCountText);
        if (Agent* agent = existingAgent(s, index)) {
            setRetina(*agent, kPresetRetina);
        }
    }
}

}  // namespace murelta
