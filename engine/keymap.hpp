// The key table: what the frame does with one SDL event. Pure: it reads the event and the state's
// mode and gameOver, and touches no SDL state.
#pragma once

#include "engine/input.hpp"
#include "engine/interpreter.hpp"

#include <SDL.h>

#include <cstdint>

namespace Engine {

enum class KeyOutcome : std::uint8_t {
    Nothing, // the frame repeats with the same state
    EndLoop, // the game loop returns
    Feed,    // TextFeed, with the page write
    SelectFirst,
    SelectSecond,
    SelectThird,
};

// The input to hand to update for an outcome; InputNone for Nothing and EndLoop.
[[nodiscard]] TGInput inputOf(KeyOutcome outcome) noexcept;

// Only SDL_KEYDOWN and SDL_QUIT count. A space once the game is over ends the loop before the mode
// is looked at; F4 ends it when the modifiers are exactly one Alt key (see altF4). A main-row key
// selects when its symbol is 1, 2 or 3, or when it types '1', '2' or '3' (keysym.unicode), so
// every layout can choose; the keypad does not.
[[nodiscard]] KeyOutcome readKey(const SDL_Event& event, Mode mode, bool gameOver) noexcept;
// The same, for the state's mode and textGame's isOver.
[[nodiscard]] KeyOutcome readKey(const SDL_Event& event, const EngineState& state) noexcept;

// Of the eleven single modifier flags (both Shifts, Ctrls, Alts and Metas, Num Lock, Caps Lock,
// Mode) exactly left Alt or exactly right Alt is on; other bits do not matter.
[[nodiscard]] bool altF4(SDLKey key, SDLMod modifiers) noexcept;

} // namespace Engine
