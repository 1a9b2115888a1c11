// The main of a story's own program, which an author builds against a story (see
// docs/writing-a-story.md):
//   NAME map      writes the story's map in Graphviz DOT to standard output
//   NAME check    prints every finding of the story checks, one per line, and exits 1 if any
// The check measures text in the look's font, opened from the working directory as the game
// opens it, and the room the look's panels give it.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"

// 0, 1 when the check has findings, 2 on a wrong command line or a font that cannot be opened.
[[nodiscard]] int storyToolMain(int argc, char** argv, const Story& story, const StoryLook& look);
