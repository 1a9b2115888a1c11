// The game's story: a stranger's challenge to rock-paper-scissors. Rock loses, paper wins, and
// scissors ties and asks again.
#pragma once

#include "engine/scenario.hpp"

namespace Game {

// Read from gorubadon.story, built into the program, on the first call (before play, from the
// game's start-up) and never changed afterwards; every call returns the same story, which lives
// until the process ends. A story that does not read throws std::logic_error with its first error.
[[nodiscard]] const Engine::Story& storyScript();

} // namespace Game
