// Where the kernel has madvise with MADV_POPULATE_WRITE (Linux 5.14 on).
#include "framework/surface_calls.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace Framework {

void prefaultPixels(const SDL_Surface* surface) noexcept {
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
}

} // namespace Framework
