#include "framework/native.hpp"

#include <cstdint>

// Where the system has madvise with MADV_POPULATE_WRITE (Linux 5.14 on), the panels are
// prefaulted; elsewhere, and in the portable build, they fault in page by page as they are drawn.
#if !defined(GORUBADON_PORTABLE) && __has_include(<sys/mman.h>) && __has_include(<unistd.h>)
#include <sys/mman.h>
#include <unistd.h>
#endif

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

void prefaultPixels(const SDL_Surface* surface) noexcept {
#ifdef MADV_POPULATE_WRITE
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(surface->pixels);
    const std::uintptr_t end = start + static_cast<std::uintptr_t>(surface->pitch) * surface->h;
    // madvise wants a page-aligned start; the partial pages at the ends fault in as usual.
    const std::uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t last = end & ~(pageSize - 1);
    if (first < last) {
        static_cast<void>(
            madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE));
    }
#else
    static_cast<void>(surface);
#endif
}
