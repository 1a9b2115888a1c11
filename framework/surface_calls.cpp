#include "framework/surface_calls.hpp"

namespace Framework {

Uint32 pixelFormatAmask(const SDL_Surface* surface) noexcept {
    return surface->format->Amask;
}

void blitKeepingAlpha(SDL_Surface* src, SDL_Rect* srcRect, SDL_Surface* dst,
                      SDL_Rect* dstRect) noexcept {
    if (pixelFormatAmask(dst) != 0) {
        static_cast<void>(SDL_SetAlpha(src, SDL_RLEACCEL, 255));
    }
    static_cast<void>(SDL_BlitSurface(src, srcRect, dst, dstRect));
}

} // namespace Framework
