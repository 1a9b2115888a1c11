#include "engine/keymap.hpp"

namespace Engine {

namespace {

constexpr unsigned singleModifierFlags = KMOD_LSHIFT | KMOD_RSHIFT | KMOD_LCTRL | KMOD_RCTRL |
                                         KMOD_LALT | KMOD_RALT | KMOD_LMETA | KMOD_RMETA |
                                         KMOD_NUM | KMOD_CAPS | KMOD_MODE;

KeyOutcome selectOutcome(SDLKey key) noexcept {
    switch (key) {
    case SDLK_1:
        return KeyOutcome::SelectFirst;
    case SDLK_2:
        return KeyOutcome::SelectSecond;
    default:
        return KeyOutcome::SelectThird;
    }
}

// SDLK_1, SDLK_2 or SDLK_3 for the main-row digit keys, else SDLK_UNKNOWN. Layouts that put the
// digits on Shift (French, Czech, Slovak) report the key's other symbol, '&' say, with or without
// Shift; the translated character still says which digit it typed. The keypad never selects.
SDLKey mainRowDigit(const SDL_keysym& keysym) noexcept {
    const auto selects = [](int digit) {
        return digit >= 1 && static_cast<std::size_t>(digit) <= optionKeys;
    };
    if (selects(keysym.sym - SDLK_0)) {
        return keysym.sym;
    }
    const bool keypad = keysym.sym >= SDLK_KP0 && keysym.sym <= SDLK_KP_EQUALS;
    if (!keypad && selects(keysym.unicode - u'0')) {
        return static_cast<SDLKey>(SDLK_0 + (keysym.unicode - u'0'));
    }
    return SDLK_UNKNOWN;
}

} // namespace

TGInput inputOf(KeyOutcome outcome) noexcept {
    switch (outcome) {
    case KeyOutcome::Feed:
        return TGInput::TextFeed;
    case KeyOutcome::SelectFirst:
        return TGInput::SelectFirst;
    case KeyOutcome::SelectSecond:
        return TGInput::SelectSecond;
    case KeyOutcome::SelectThird:
        return TGInput::SelectThird;
    case KeyOutcome::Nothing:
    case KeyOutcome::EndLoop:
        break;
    }
    return TGInput::InputNone;
}

bool altF4(SDLKey key, SDLMod modifiers) noexcept {
    const unsigned flags = static_cast<unsigned>(modifiers) & singleModifierFlags;
    return key == SDLK_F4 && (flags == KMOD_LALT || flags == KMOD_RALT);
}

KeyOutcome readKey(const SDL_Event& event, Mode mode, bool gameOver) noexcept {
    if (event.type == SDL_QUIT) {
        return KeyOutcome::EndLoop;
    }
    if (event.type != SDL_KEYDOWN) {
        return KeyOutcome::Nothing;
    }
    const SDL_keysym& keysym = event.key.keysym;
    if (keysym.sym == SDLK_SPACE) {
        if (gameOver) {
            return KeyOutcome::EndLoop;
        }
        return mode == Mode::Normal ? KeyOutcome::Feed : KeyOutcome::Nothing;
    }
    if (const SDLKey digit = mainRowDigit(keysym); digit != SDLK_UNKNOWN) {
        return mode == Mode::Choose ? selectOutcome(digit) : KeyOutcome::Nothing;
    }
    return altF4(keysym.sym, keysym.mod) ? KeyOutcome::EndLoop : KeyOutcome::Nothing;
}

KeyOutcome readKey(const SDL_Event& event, const EngineState& state) noexcept {
    return readKey(event, state.cursor.mode, textGame.isOver(state));
}

} // namespace Engine
