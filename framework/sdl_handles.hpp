// Owning handles for the SDL objects the framework and the game create. Non-owning pointers (the
// screen surface, which SDL owns until SDL_Quit, and the handles a TextPanelStyle borrows) stay
// raw.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <memory>

namespace Framework {

struct SurfaceFree {
    void operator()(SDL_Surface* surface) const noexcept { SDL_FreeSurface(surface); }
};

struct FontClose {
    void operator()(TTF_Font* font) const noexcept { TTF_CloseFont(font); }
};

using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceFree>;
using FontPtr = std::unique_ptr<TTF_Font, FontClose>;

} // namespace Framework
