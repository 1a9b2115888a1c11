// Every playthrough of a story with memory, walked breadth first over the states a player can
// reach: place, values, visit counts and how full the page is. Each finding comes with the
// shortest keys from the start that show it. Pure: the font comes in as functions.
#pragma once

#include "engine/input.hpp"
#include "engine/story_check.hpp"

#include <cstddef>
#include <vector>

namespace Engine {

inline constexpr std::size_t defaultStateBound = 1'000'000;

struct Playthroughs {
    std::vector<Finding> findings;
    std::size_t states = 0;  // different states reached
    bool complete = true;    // false when the bound stopped the walk first
    std::size_t endings = 0; // states in which the game is over
    std::size_t bytes = 0;   // memory the walk held at its largest
};

// The findings only every playthrough shows: options and lines no playthrough reaches, places
// from which no ending can be reached, more than three options offered at once, pages too tall
// and lines too wide for the values shown in them (when `fit` is given), numbers pushed out of
// their range, and values read but never set or set but never read.
[[nodiscard]] Playthroughs explorePlaythroughs(const Story& story, const TextFit* fit,
                                               std::size_t bound = defaultStateBound);

} // namespace Engine
