#include "engine/keymap.hpp"

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
    const SDLKey key = event.key.keysym.sym;
    switch (key) {
    case SDLK_SPACE:
        if (gameOver) {
            return KeyOutcome::EndLoop;
        }
        return mode == Mode::Normal ? KeyOutcome::Feed : KeyOutcome::Nothing;
    case SDLK_1:
    case SDLK_2:
    case SDLK_3:
        return mode == Mode::Choose ? selectOutcome(key) : KeyOutcome::Nothing;
    default:
        return altF4(key, event.key.keysym.mod) ? KeyOutcome::EndLoop : KeyOutcome::Nothing;
    }
}

KeyOutcome readKey(const SDL_Event& event, const EngineState& state) noexcept {
    return readKey(event, state.cursor.mode, textGame.isOver(state));
}
