// A second story on the same engine: a ferryman wants three coins. Pay, swim, or haggle until
// one of you gives in.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"

// Built on the first call; every call returns the same story.
[[nodiscard]] const Story& ferryStory();

// Its caption; the rest is the engine's default look, with the data/ in the working directory.
inline constexpr StoryLook ferryLook{.caption = "The Ferry"};
