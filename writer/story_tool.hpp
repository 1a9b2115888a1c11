// The main of the author's story program, gorubadon-story (see docs/writing-a-story.md):
//   NAME play FILE [--from SECTION]   plays a story file, and reloads it whenever it changes
//   NAME check FILE                   prints every error and finding, one per line
//   NAME map FILE                     writes the story's map in Graphviz DOT to standard output
//   NAME publish FILE DIR [--serve] [--game]
//                                     writes a folder of static files that plays it in a browser
//   NAME check | NAME map             the same for the story built into the program
// A story file is measured in the font the player shows it in, found in the installed data (or
// the source tree's); the built-in story in the look's font, opened from the working directory as
// the game opens it.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"

namespace Engine {

// 0; 1 when the story has errors or findings or cannot be played; 2 on a wrong command line or a
// font that cannot be opened for the built-in story.
[[nodiscard]] int storyToolMain(int argc, char** argv, const Story& builtIn, const StoryLook& look);

} // namespace Engine
