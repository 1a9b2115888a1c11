#include "engine/interpreter.hpp"

#include <limits>

namespace Engine {

namespace {

bool isGameEnd(const Scenario& element) noexcept {
    return std::holds_alternative<ScenarioEventGameEnd>(element);
}

bool isSelector(const Scenario& element) noexcept {
    return std::holds_alternative<ScenarioSelector>(element);
}

EngineState feed(EngineState state) noexcept {
    const auto [head, tail] = nextElement(state.cursor.remaining);
    if (isSelector(head)) {
        // The selector stays at the head until an option is taken.
        state.cursor.mode = Mode::Choose;
    } else {
        state.cursor.remaining = tail;
    }
    // One element ahead, so the last text before the end is shown with the game already over.
    state.gameOver = isGameEnd(head) || isGameEnd(nextElement(tail).head);
    return state;
}

} // namespace

EngineState initialEngineState(const Story& story) noexcept {
    return EngineState{false, StoryCursor{Mode::Normal, story.start()}, 0};
}

EngineState update(TGInput input, EngineState state) noexcept {
    if (state.gameOver) {
        return state;
    }
    switch (input) {
    case TGInput::InputNone:
        return state;
    case TGInput::HeartBeat:
        if (state.heartBeats < std::numeric_limits<std::int64_t>::max()) {
            ++state.heartBeats;
        }
        return state;
    case TGInput::TGQuit:
        state.gameOver = true;
        return state;
    case TGInput::TextFeed:
        return state.cursor.mode == Mode::Choose ? state : feed(state);
    case TGInput::SelectFirst:
        return choose(firstOption, state);
    case TGInput::SelectSecond:
        return choose(secondOption, state);
    case TGInput::SelectThird:
        return choose(thirdOption, state);
    }
    // A value outside the enumeration (a cast from a bad ordinal) is no input at all.
    return state;
}

EngineState choose(OptionPicker& picker, EngineState state) noexcept {
    if (state.gameOver || state.cursor.mode == Mode::Normal) {
        return state;
    }
    const StoryCursor& cursor = state.cursor;
    const auto* selector = std::get_if<ScenarioSelector>(&nextElement(cursor.remaining).head);
    const std::span<const SelectorOption> options =
        selector != nullptr ? std::span<const SelectorOption>(selector->options)
                            : std::span<const SelectorOption>{};
    const ScenarioList branch{cursor.remaining.story, picker(options).branch, 0};
    if (isEmpty(branch)) {
        return state;
    }
    state.cursor =
        StoryCursor{isSelector(nextElement(branch).head) ? Mode::Choose : Mode::Normal, branch};
    return state;
}

bool isOver(const EngineState& state) noexcept {
    return state.gameOver;
}

void draw(const EngineState& /*state*/) noexcept {}

} // namespace Engine
