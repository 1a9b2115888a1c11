// The game's fixed configuration: there is none at run time. What is not said here is the
// engine's default look (engine/look.hpp).
#pragma once

#include "engine/look.hpp"

namespace Game::Config {

inline constexpr const char* savePath = "save.txt";
inline constexpr Engine::StoryLook look{.caption = "ゴルバドン"};

} // namespace Game::Config
