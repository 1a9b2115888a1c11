// The engine's pure core: a state and the transition function that walks a story with it.
// Nothing here draws or does input or output; the frame decides what to show from the states.
#pragma once

#include "engine/input.hpp"
#include "engine/scenario.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace Engine {

enum class Mode : std::uint8_t { Normal, Choose };

struct StoryCursor {
    // Choose exactly when the head of `remaining` is a selector that has been reached.
    Mode mode = Mode::Normal;
    // In mode Choose, its head is the pending selector.
    ScenarioList remaining;
    friend bool operator==(const StoryCursor&, const StoryCursor&) = default;
};

struct EngineState {
    // Once true, no input changes the state again.
    bool gameOver = false;
    StoryCursor cursor;
    // HeartBeats received while the game was not over; stops at the maximum instead of overflowing.
    std::int64_t heartBeats = 0;
    // What the story remembers, by the slots of Story::values(); all 0 in a story without memory.
    StoryValues values{};
    friend bool operator==(const EngineState&, const EngineState&) = default;
};

// Not over, mode Normal, the whole story to play, no heartbeats, the values as declared. The story
// must outlive the state.
[[nodiscard]] EngineState initialEngineState(const Story& story) noexcept;
EngineState initialEngineState(const Story&& story) = delete;

// Mode Normal at the start of a sequence with the given values, as the story starts at its opening.
[[nodiscard]] EngineState stateAtSequence(const Story& story, ListId id,
                                          const StoryValues& values) noexcept;

[[nodiscard]] bool holds(const Condition& condition, const StoryValues& values) noexcept;
[[nodiscard]] bool isOffered(const SelectorOption& option, const StoryValues& values) noexcept;
// The value a change gives before it is kept in range.
[[nodiscard]] std::int64_t changedValue(const ValueChange& change, std::int32_t value) noexcept;

// The options of the pending selector that may be taken now, as indices in written order; keys 1
// to 3 take the first three of them. Empty unless a choice is pending.
[[nodiscard]] std::vector<std::size_t> offeredOptions(const EngineState& state);
// What the choices panel shows for them, numbered among those offered.
[[nodiscard]] std::vector<std::string> offeredLabels(const EngineState& state);
// The text at the head as the player sees it, with the values it names written in; "" for any
// other head.
[[nodiscard]] std::string shownText(const EngineState& state);
// A line or label of the state's story with the numbers it names in braces written in.
[[nodiscard]] std::string withValues(std::string_view text, const EngineState& state);

// Total: every input is defined in every state; one that does not apply returns the state as it is.
[[nodiscard]] EngineState update(TGInput input, EngineState state) noexcept;

// firstOption, secondOption or thirdOption.
using OptionPicker = const SelectorOption&(std::span<const SelectorOption>) noexcept;

// Takes the picked option of the pending selector. The branch becomes the whole rest of the story;
// its first element is not consumed (the next TextFeed does that), but a selector there is pending
// at once. A missing option or an empty branch changes nothing, as does a state in mode Normal or
// over.
[[nodiscard]] EngineState choose(OptionPicker& picker, EngineState state) noexcept;

[[nodiscard]] bool isOver(const EngineState& state) noexcept;
// This engine draws nothing of its own; the frame draws the panels.
void draw(const EngineState& state) noexcept;

struct TextGame {
    EngineState (*update)(TGInput, EngineState) noexcept;
    void (*draw)(const EngineState&) noexcept;
    bool (*isOver)(const EngineState&) noexcept;
};

inline constexpr TextGame textGame{&update, &draw, &isOver};

} // namespace Engine
