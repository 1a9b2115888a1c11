#include "framework/misc.hpp"

#include "framework/sdl_error.hpp"

#include <SDL_gfxPrimitives.h>

#include <algorithm>
#include <limits>

namespace Framework::Misc {

SurfacePtr createSurface(Uint32 flags, int width, int height, int bitsPerPixel) {
    SurfacePtr surface(SDL_CreateRGBSurface(flags, width, height, bitsPerPixel, redMask, greenMask,
                                            blueMask, alphaMask));
    if (!surface) {
        throw SdlError("SDL_CreateRGBSurface");
    }
    return surface;
}

namespace {

using Limits = std::numeric_limits<std::ptrdiff_t>;

// Edges far out saturate instead of wrapping, so a request that cannot overlap stays empty.
std::ptrdiff_t addSaturated(std::ptrdiff_t a, std::ptrdiff_t b) noexcept {
    if (b > 0 && a > Limits::max() - b) {
        return Limits::max();
    }
    if (b < 0 && a < Limits::min() - b) {
        return Limits::min();
    }
    return a + b;
}

std::ptrdiff_t subtractSaturated(std::ptrdiff_t a, std::ptrdiff_t b) noexcept {
    if (b < 0 && a > Limits::max() + b) {
        return Limits::max();
    }
    if (b > 0 && a < Limits::min() + b) {
        return Limits::min();
    }
    return a - b;
}

} // namespace

Rect clipIntersection(const Rect& current, const std::optional<Rect>& requested) noexcept {
    if (!requested) {
        return current;
    }
    const Rect& n = *requested;
    const std::ptrdiff_t left = std::max(current.x, n.x);
    const std::ptrdiff_t top = std::max(current.y, n.y);
    const std::ptrdiff_t right =
        std::min(addSaturated(current.x, current.w), addSaturated(n.x, n.w));
    const std::ptrdiff_t bottom =
        std::min(addSaturated(current.y, current.h), addSaturated(n.y, n.h));
    return Rect{left, top, clampToZero(subtractSaturated(right, left)),
                clampToZero(subtractSaturated(bottom, top))};
}

Rect clipRect(SDL_Surface* surface) noexcept {
    SDL_Rect r{};
    SDL_GetClipRect(surface, &r);
    return Rect{r.x, r.y, r.w, r.h};
}

void setClipRect(SDL_Surface* surface, const Rect& clip) noexcept {
    // Cut to the surface first, as SDL would, so that what SDL_Rect's 16-bit fields receive is
    // what was meant: a far-out clip must not wrap onto the surface.
    const Rect onSurface = clipIntersection(Rect{0, 0, surface->w, surface->h}, clip);
    SDL_Rect r{clampTo<Sint16>(onSurface.x), clampTo<Sint16>(onSurface.y),
               clampTo<Uint16>(onSurface.w), clampTo<Uint16>(onSurface.h)};
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

} // namespace Framework::Misc
