// Hand-made SDL events, as SDL reports them, for the tests and the benchmarks.
#pragma once

#include <SDL.h>

namespace TestEvents {

// An event that carries no more than its type.
[[nodiscard]] inline SDL_Event ofType(Uint8 type) {
    SDL_Event event{};
    event.type = type;
    return event;
}

// A key press, with the modifiers held and the character typed (0 for none).
[[nodiscard]] inline SDL_Event keyDown(SDLKey key, unsigned modifiers = KMOD_NONE,
                                       Uint16 typed = 0) {
    SDL_Event event = ofType(SDL_KEYDOWN);
    event.key.state = SDL_PRESSED;
    event.key.keysym = {0, key, static_cast<SDLMod>(modifiers), typed};
    return event;
}

[[nodiscard]] inline SDL_Event mouseMotion(Uint16 x, Uint16 y) {
    SDL_Event event = ofType(SDL_MOUSEMOTION);
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

} // namespace TestEvents
