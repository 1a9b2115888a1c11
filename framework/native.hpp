// Thin calls that read SDL structures or combine two SDL calls (Parts 1.2 and 1.3).
#pragma once

#include <SDL.h>

// The Amask member of the surface's pixel format (0 when the surface has no alpha channel).
[[nodiscard]] Uint32 pixelFormatAmask(const SDL_Surface* surface) noexcept;

// Blits src onto dst so that a destination with an alpha channel receives the source pixels
// including their alpha: when dst's Amask is not 0, the source's alpha blending is first switched
// off with SDL_SetAlpha(src, SDL_RLEACCEL, 255); otherwise a plain blit, which blends by the
// source's alpha. Results of SDL_SetAlpha and SDL_BlitSurface are not examined.
void blitKeepingAlpha(SDL_Surface* src, SDL_Rect* srcRect, SDL_Surface* dst,
                      SDL_Rect* dstRect) noexcept;
