// A second story on the same engine: a ferryman wants three coins. Pay, swim, or haggle until
// one of you gives in.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"
#include "engine/story_file.hpp"

// The example's names are in Ferry, as the game's are in Game.
namespace Ferry {

// Read from ferry.story, built into the program, on the first call; every call returns the same
// story. A story that does not read throws std::logic_error with its first error.
[[nodiscard]] const Engine::Story& ferryStory();
// Where each section of it is written in ferry.story.
[[nodiscard]] const Engine::StorySource& ferrySource();

// Its caption; the rest is the engine's default look, with the data/ in the working directory.
inline constexpr Engine::StoryLook ferryLook{.caption = "The Ferry"};

} // namespace Ferry
