#include "framework/misc.hpp"

#include "framework/sdl_error.hpp"

#include <SDL_gfxPrimitives.h>

#include <algorithm>

namespace Misc {

SurfacePtr createSurface(Uint32 flags, int width, int height, int bitsPerPixel) {
    SurfacePtr surface(SDL_CreateRGBSurface(flags, width, height, bitsPerPixel, redMask, greenMask,
                                            blueMask, alphaMask));
    if (!surface) {
        throw SdlError("SDL_CreateRGBSurface");
    }
    return surface;
}

Rect clipIntersection(const Rect& current, const std::optional<Rect>& requested) noexcept {
    if (!requested) {
        return current;
    }
    const Rect& n = *requested;
    const std::ptrdiff_t left = std::max(current.x, n.x);
    const std::ptrdiff_t top = std::max(current.y, n.y);
    const std::ptrdiff_t right = std::min(current.x + current.w, n.x + n.w);
    const std::ptrdiff_t bottom = std::min(current.y + current.h, n.y + n.h);
    return Rect{left, top, clampToZero(right - left), clampToZero(bottom - top)};
}

Rect clipRect(SDL_Surface* surface) noexcept {
    SDL_Rect r{};
    SDL_GetClipRect(surface, &r);
    return Rect{r.x, r.y, r.w, r.h};
}

void setClipRect(SDL_Surface* surface, const Rect& clip) noexcept {
    SDL_Rect r{static_cast<Sint16>(clip.x), static_cast<Sint16>(clip.y),
               static_cast<Uint16>(clip.w), static_cast<Uint16>(clip.h)};
    static_cast<void>(SDL_SetClipRect(surface, &r));
}

Uint32 mapColor(const SDL_Surface* surface, std::optional<Uint8> alpha, Rgb colour) noexcept {
    if (!alpha) {
        return SDL_MapRGB(surface->format, colour.red, colour.green, colour.blue);
    }
    return SDL_MapRGBA(surface->format, colour.red, colour.green, colour.blue, *alpha);
}

int filledCircleColor(SDL_Surface* surface, Sint16 x, Sint16 y, Sint16 radius,
                      Uint32 colour) noexcept {
    return ::filledCircleColor(surface, x, y, radius, colour);
}

int filledCircleRGBA(SDL_Surface* surface, Sint16 x, Sint16 y, Sint16 radius, Uint8 red,
                     Uint8 green, Uint8 blue, Uint8 alpha) noexcept {
    return ::filledCircleRGBA(surface, x, y, radius, red, green, blue, alpha);
}

} // namespace Misc
