// The game's fixed configuration: there is none at run time. What is not said here is the
// engine's default look (engine/look.hpp).
#pragma once

#include "engine/look.hpp"

namespace config {

inline constexpr const char* savePath = "save.txt";

inline constexpr StoryLook look{.caption = "ゴルバドン",
                                .iconPath = "data/images/icon.bmp",
                                .fontPath = "data/fonts/aqua2_8/aquafont.ttf",
                                .backgroundPath = "data/images/bg.jpg"};

} // namespace config
