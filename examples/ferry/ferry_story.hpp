// A second story on the same engine: a ferryman wants three coins. Pay, swim, or haggle until
// one of you gives in.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"
#include "engine/story_file.hpp"

// Read from ferry.story, built into the program, on the first call; every call returns the same
// story. A story that does not read throws std::logic_error with its first error.
[[nodiscard]] const Story& ferryStory();
// Where each section of it is written in ferry.story.
[[nodiscard]] const StorySource& ferrySource();

// Its caption, and the game's own icon, font and picture, read from data/ in the working directory.
inline constexpr StoryLook ferryLook{.caption = "The Ferry",
                                     .iconPath = "data/images/icon.bmp",
                                     .fontPath = "data/fonts/aqua2_8/aquafont.ttf",
                                     .backgroundPath = "data/images/bg.jpg"};
