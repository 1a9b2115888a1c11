// A story as a map, in Graphviz's DOT language: one box per sequence with its first lines, one
// arrow per option with the option's label, a closing node per ending. Pure: it only writes text.
#pragma once

#include "engine/scenario.hpp"
#include "engine/story_file.hpp"

#include <ostream>

namespace Engine {

// A shared branch is one box with several arrows into it; an option back to its own sequence is an
// arrow looping on that box. Options no key can take are dotted, options that lead nowhere end in
// a red "(nothing)", sequences no option reaches are grey and dashed. Render it with
// `dot -Tsvg` or `dot -Tpng`. Boxes carry the sections' names where the source has them.
void writeStoryMap(const Story& story, std::ostream& out, const StorySource& source = {});

} // namespace Engine
