// Every playthrough of a story with memory, walked breadth first over the states a player can
// reach: place, values, visit counts and how full the page is. Each finding comes with the
// shortest keys from the start that show it. Pure: the font comes in as functions.
#pragma once

#include "engine/input.hpp"
#include "writer/story_check.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
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

// How a writer reads at leisure: an adult's usual silent reading speeds, for Japanese in
// characters and for English (and other Latin-script text) in words.
inline constexpr double japaneseCharactersPerMinute = 500;
inline constexpr double latinWordsPerMinute = 238;

struct EndingWays {
    std::size_t sequence = 0;
    std::size_t element = 0; // the [end], counted from 1
    std::string lastLine;    // what the player reads last
    std::size_t fewestKeys = 0;
    std::size_t mostKeys = 0;
    double leastSeconds = 0;
    double mostSeconds = 0;
    bool endless = false; // a loop can be gone round before it, as often as the player likes
};

struct StoryStats {
    std::size_t sections = 0;
    std::size_t lines = 0;              // lines of the story, as one press of space shows them
    std::size_t japaneseCharacters = 0; // kana, kanji and full-width marks, in lines and options
    std::size_t latinWords = 0;
    std::vector<EndingWays> endings; // those some playthrough reaches, in story order
    std::uint64_t playthroughs = 0;  // different ways from the start to an ending
    bool morePlaythroughs = false;   // more than a 64-bit count, or endless
    bool complete = true;            // false when the walk stopped at its bound
    std::size_t states = 0;
};

// The story in numbers: its size, its endings, and the ways to each, in keys and reading time.
[[nodiscard]] StoryStats storyStats(const Story& story, std::size_t bound = defaultStateBound);

} // namespace Engine
