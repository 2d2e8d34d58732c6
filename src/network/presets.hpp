// The paper presets: each item puts the group into one experimental configuration (range
// option, topology, leader, one agent with an enlarged retina) in one step.
#pragma once

#include <array>
#include <string_view>

namespace murelta {

struct SimState;

// The items of the preset list, in the list's order.
inline constexpr std::array<std::string_view, 18> kPresetNames = {
    "None",  "Tab 1", "Tab 2", "Tab 3",   "Tab 4",   "Tab 5",   "Tab 6a",  "Tab 6b",  "Tab 6c",
    "Tab 7", "Tab 8", "Tab 9", "Tab 10a", "Tab 10b", "Tab 11a", "Tab 11b", "Tab 11c", "Tab 12"};

// The retina given to an agent by a preset.
inline constexpr double kPresetRetina = 15.0;

// Applies the preset named `item` (exact, case-sensitive). Whatever the text, the range becomes
// "Space independent" and every link is cleared first. The middle agent is 5 when
// agentCountText reads as 10, 25 when it reads as 50, none otherwise; a middle agent that does
// not exist in the group is skipped. Ranks and retinas are only ever set, never reset.
void applyPreset(SimState& s, std::string_view item, std::string_view agentCountText);

}  // namespace murelta
