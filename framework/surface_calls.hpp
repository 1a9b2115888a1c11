// Thin calls that read SDL structures, combine two SDL calls or ask the kernel for memory.
#pragma once

#include <SDL.h>

namespace Framework {

// The Amask member of the surface's pixel format (0 when the surface has no alpha channel).
[[nodiscard]] Uint32 pixelFormatAmask(const SDL_Surface* surface) noexcept;

// Blits src onto dst so that a destination with an alpha channel receives the source pixels
// including their alpha: when dst's Amask is not 0, the source's alpha blending is first switched
// off with SDL_SetAlpha(src, SDL_RLEACCEL, 255); otherwise a plain blit, which blends by the
// source's alpha. Results of SDL_SetAlpha and SDL_BlitSurface are not examined.
void blitKeepingAlpha(SDL_Surface* src, SDL_Rect* srcRect, SDL_Surface* dst,
                      SDL_Rect* dstRect) noexcept;

// Maps in the surface's pixel memory with one system call instead of one page fault per page on
// first drawing, which is a large share of what the wide panel surfaces cost at start-up. A no-op
// where the kernel does not offer it, and in the portable build (CMake picks linux/ or
// portable/prefault.cpp).
void prefaultPixels(const SDL_Surface* surface) noexcept;

} // namespace Framework
