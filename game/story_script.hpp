// The game's story: a stranger's challenge to rock-paper-scissors. Rock loses, paper wins, and
// scissors ties and asks again.
#pragma once

#include "engine/scenario.hpp"

namespace Game {

// Built on the first call (before play, from the game's start-up) and never changed afterwards;
// every call returns the same story, which lives until the process ends.
[[nodiscard]] const Engine::Story& storyScript();

} // namespace Game
