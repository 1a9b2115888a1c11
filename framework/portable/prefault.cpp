// Elsewhere, and in the portable build, the panels fault in page by page as they are drawn.
#include "framework/surface_calls.hpp"

namespace Framework {

void prefaultPixels(const SDL_Surface*) noexcept {}

} // namespace Framework
