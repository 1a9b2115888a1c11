// A second story on the same engine: a ferryman wants three coins. Pay, swim, or haggle until
// one of you gives in.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"

// Built on the first call; every call returns the same story.
[[nodiscard]] const Story& ferryStory();

// The game's own font and picture, read from data/ in the working directory.
inline constexpr StoryLook ferryLook{"data/fonts/aqua2_8/aquafont.ttf", 16, "data/images/bg.jpg"};
