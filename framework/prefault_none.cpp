// Elsewhere, and in the portable build, the panels fault in page by page as they are drawn.
#include "framework/native.hpp"

void prefaultPixels(const SDL_Surface*) noexcept {}
