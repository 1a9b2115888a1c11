// What the checks print, and the font they measure in: shared by check, publish and the player.
#pragma once

#include "engine/look.hpp"
#include "engine/scenario.hpp"
#include "engine/story_file.hpp"
#include "writer/story_check.hpp"

#include <SDL_ttf.h>

#include <cstddef>

namespace Engine {

// SDL_ttf alone: it needs no SDL_Init to read a font file.
struct FontLibrary {
    FontLibrary();
    ~FontLibrary();
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;
};

// How text measures in `font` within the look's panels, lines `lineGap` pixels further apart than
// the font's own line skip.
[[nodiscard]] TextFit fontFit(TTF_Font* font, const StoryLook& look, int lineGap);

// Prints the shape's findings, then the fit's when there is a font to measure in, one per line on
// standard output; how many.
std::size_t printFindings(const Story& story, const StorySource& source, const TextFit* fit);

} // namespace Engine
