// Playing a story through the interpreter alone, as the frame would: what each space writes, and
// when the game is first over. Shared by the engine's, the game's and the example's tests.
#pragma once

#include "engine/interpreter.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace PlaySupport {

[[nodiscard]] inline Engine::EngineState feedAll(Engine::EngineState state, int times) {
    for (int i = 0; i < times; ++i) {
        state = Engine::update(Engine::TGInput::TextFeed, state);
    }
    return state;
}

struct Play {
    Engine::EngineState state;
    std::vector<std::string> fed;
    std::size_t overAfterFeed = 0; // 1-based index into `fed`; 0 while not over

    explicit Play(const Engine::Story& story) : state(Engine::initialEngineState(story)) {}

    // Spaces until a choice is pending or the game is over.
    void feedUntilStop() {
        for (int feeds = 0; !state.gameOver && state.cursor.mode == Engine::Mode::Normal; ++feeds) {
            ASSERT_LT(feeds, 100) << "the story never stops";
            fed.emplace_back(Engine::shownText(state));
            state = Engine::update(Engine::TGInput::TextFeed, state);
            if (state.gameOver && overAfterFeed == 0) {
                overAfterFeed = fed.size();
            }
        }
    }

    // Takes an option that leads on to text.
    void select(Engine::TGInput input) {
        ASSERT_EQ(state.cursor.mode, Engine::Mode::Choose);
        state = Engine::update(input, state);
        ASSERT_EQ(state.cursor.mode, Engine::Mode::Normal);
    }

    // The texts fed from index `from` on.
    [[nodiscard]] std::vector<std::string> fedFrom(std::size_t from) const {
        return {fed.begin() + static_cast<std::ptrdiff_t>(from), fed.end()};
    }
};

} // namespace PlaySupport
