// Shared by the live game tests: a real SDL screen (the dummy driver's 8-bit one, or a real X
// server's), real events, and the pixels the player would see.
#pragma once

#include "engine/frame.hpp"
#include "tests/framework/test_support.hpp"

#include <SDL.h>

#include <string>
#include <vector>

namespace LiveSupport {

// Chooses the dummy drivers unless the caller already chose (the Xvfb runs pick x11).
inline void preferHeadlessDrivers() {
    TestSupport::useDummyDriversUnlessSet();
}

// Pushes the events in order; the queue holds about a hundred at a time.
inline void push(const std::vector<SDL_Event>& events) {
    for (SDL_Event event : events) {
        if (SDL_PushEvent(&event) != 0) {
            std::abort();
        }
    }
}

// Removes what is left in the queue; true when an SDL_QUIT was among it.
inline bool drainQueue() {
    bool sawQuit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) == 1) {
        sawQuit = sawQuit || event.type == SDL_QUIT;
    }
    return sawQuit;
}

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

[[nodiscard]] inline Rgb pixelAt(SDL_Surface* surface, int x, int y) {
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    SDL_GetRGB(TestSupport::pixelAt(surface, x, y), surface->format, &r, &g, &b);
    return {r, g, b};
}

// A copy of the rows [y0, y1) of a surface's pixels, to compare two frames byte for byte.
[[nodiscard]] inline std::string snapshotRegion(SDL_Surface* screen, int y0, int y1) {
    SDL_LockSurface(screen);
    const auto* bytes = static_cast<const char*>(screen->pixels);
    std::string rows;
    for (int y = y0; y < y1; ++y) {
        rows.append(bytes + y * screen->pitch,
                    static_cast<std::size_t>(screen->w * screen->format->BytesPerPixel));
    }
    SDL_UnlockSurface(screen);
    return rows;
}

// Black text at alpha 192 is the only thing this dark inside a pale panel.
[[nodiscard]] inline bool isInk(Rgb c) {
    return c.r < 100 && c.g < 100 && c.b < 100;
}

// Whether any pixel in the rectangle [x0, x1) x [y0, y1) of the screen is ink.
[[nodiscard]] inline bool hasInk(SDL_Surface* screen, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (isInk(pixelAt(screen, x, y))) {
                return true;
            }
        }
    }
    return false;
}

} // namespace LiveSupport
