#include "engine/interpreter.hpp"

#include "engine/story_text.hpp"

#include <algorithm>
#include <limits>

namespace Engine {

namespace {

bool isGameEnd(const Scenario& element) noexcept {
    return std::holds_alternative<ScenarioEventGameEnd>(element);
}

bool isSelector(const Scenario& element) noexcept {
    return std::holds_alternative<ScenarioSelector>(element);
}

bool passes(const ValueTest& test, std::int32_t value) noexcept {
    switch (test.compare) {
    case Compare::Equal:
        return value == test.number;
    case Compare::NotEqual:
        return value != test.number;
    case Compare::Less:
        return value < test.number;
    case Compare::AtMost:
        return value <= test.number;
    case Compare::More:
        return value > test.number;
    case Compare::AtLeast:
        return value >= test.number;
    }
    return false;
}

void apply(const ValueChange& change, const Story& story, StoryValues& values) noexcept {
    const std::span<const StoryValue> declared = story.values();
    if (change.slot >= declared.size()) {
        return;
    }
    const StoryValue& value = declared[change.slot];
    const std::int64_t wanted = changedValue(change, values[change.slot]);
    values[change.slot] =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, value.least, value.most));
}

// Changes and jumps are never shown: the story goes over them to the next element that is. Jumps
// only go forward, so this ends.
void settle(ScenarioList& list, StoryValues& values) noexcept {
    for (;;) {
        const std::span<const Scenario> rest = remainingElements(list);
        if (rest.empty()) {
            return;
        }
        if (const auto* change = std::get_if<ScenarioChange>(&rest.front())) {
            apply(change->change, *list.story, values);
            ++list.offset;
        } else if (const auto* jump = std::get_if<ScenarioJump>(&rest.front())) {
            const std::uint32_t skip = holds(jump->when, values) ? jump->forward : 0;
            list.offset +=
                1 + std::min<std::uint32_t>(skip, static_cast<std::uint32_t>(rest.size()));
        } else {
            return;
        }
    }
}

EngineState feed(EngineState state) noexcept {
    const auto [head, tail] = nextElement(state.cursor.remaining);
    ScenarioList next = tail;
    StoryValues values = state.values;
    settle(next, values);
    if (isSelector(head)) {
        // The selector stays at the head until an option is taken.
        state.cursor.mode = Mode::Choose;
    } else {
        state.cursor.remaining = next;
        state.values = values;
    }
    // One element ahead, so the last text before the end is shown with the game already over.
    state.gameOver = isGameEnd(head) || isGameEnd(nextElement(next).head);
    return state;
}

const ScenarioSelector* pendingSelector(const EngineState& state) noexcept {
    if (state.cursor.mode != Mode::Choose) {
        return nullptr;
    }
    return std::get_if<ScenarioSelector>(&nextElement(state.cursor.remaining).head);
}

bool conditional(std::span<const SelectorOption> options) noexcept {
    return std::any_of(options.begin(), options.end(),
                       [](const SelectorOption& option) { return !option.offeredWhile.empty(); });
}

// The position among the options that a picker takes, found by asking it about a stand-in list.
std::size_t pickedPosition(OptionPicker& picker) noexcept {
    static const std::array<SelectorOption, optionKeys> probe{};
    const SelectorOption* picked = &picker(probe);
    return picked >= probe.data() && picked < probe.data() + probe.size()
               ? static_cast<std::size_t>(picked - probe.data())
               : probe.size();
}

} // namespace

EngineState initialEngineState(const Story& story) noexcept {
    return stateAtSequence(story, story.start().list, story.startValues());
}

EngineState stateAtSequence(const Story& story, ListId id, const StoryValues& values) noexcept {
    EngineState state{false, StoryCursor{Mode::Normal, story.list(id)}, 0, values};
    settle(state.cursor.remaining, state.values);
    return state;
}

bool holds(const Condition& condition, const StoryValues& values) noexcept {
    const bool all = std::all_of(
        condition.tests.begin(), condition.tests.end(), [&values](const ValueTest& test) {
            return test.slot < values.size() && passes(test, values[test.slot]);
        });
    return all != condition.negated;
}

bool isOffered(const SelectorOption& option, const StoryValues& values) noexcept {
    return std::all_of(option.offeredWhile.begin(), option.offeredWhile.end(),
                       [&values](const Condition& condition) { return holds(condition, values); });
}

std::int64_t changedValue(const ValueChange& change, std::int32_t value) noexcept {
    switch (change.kind) {
    case ChangeKind::Set:
        return change.amount;
    case ChangeKind::Add:
        return std::int64_t{value} + change.amount;
    case ChangeKind::Subtract:
        return std::int64_t{value} - change.amount;
    }
    return value;
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
    const std::span<const SelectorOption> options = headOptions(cursor.remaining);
    const SelectorOption* picked = &picker(options);
    if (selector != nullptr && conditional(options)) {
        // Keys count only the options offered now.
        std::size_t wanted = pickedPosition(picker);
        picked = &emptyOption();
        for (const SelectorOption& option : options) {
            if (isOffered(option, state.values) && wanted-- == 0) {
                picked = &option;
                break;
            }
        }
    }
    const ScenarioList branch{cursor.remaining.story, picked->branch, 0};
    if (isEmpty(branch)) {
        return state;
    }
    for (const ValueChange& change : picked->whenTaken) {
        apply(change, *branch.story, state.values);
    }
    state.cursor = StoryCursor{Mode::Normal, branch};
    settle(state.cursor.remaining, state.values);
    if (isSelector(nextElement(state.cursor.remaining).head)) {
        state.cursor.mode = Mode::Choose;
    }
    return state;
}

std::vector<std::size_t> offeredOptions(const EngineState& state) {
    std::vector<std::size_t> offered;
    if (const ScenarioSelector* selector = pendingSelector(state)) {
        const std::span<const SelectorOption> options =
            state.cursor.remaining.story->options(*selector);
        for (std::size_t o = 0; o < options.size(); ++o) {
            if (isOffered(options[o], state.values)) {
                offered.push_back(o);
            }
        }
    }
    return offered;
}

std::vector<std::string> offeredLabels(const EngineState& state) {
    std::vector<std::string> labels;
    const ScenarioSelector* selector = pendingSelector(state);
    if (selector == nullptr) {
        return labels;
    }
    const OptionNumbering* n = state.cursor.remaining.story->numbering(*selector);
    const std::span<const SelectorOption> options =
        state.cursor.remaining.story->options(*selector);
    for (const std::size_t o : offeredOptions(state)) {
        std::string label;
        if (n != nullptr) {
            label = n->before + numeral(labels.size() + 1, n->fullWidth) + n->after;
        }
        labels.push_back(label + withValues(options[o].label, state));
    }
    return labels;
}

std::string shownText(const EngineState& state) {
    return withValues(feedText(state.cursor.remaining), state);
}

std::string withValues(std::string_view text, const EngineState& state) {
    const Story* story = state.cursor.remaining.story;
    if (story == nullptr || story->values().empty() || text.find('{') == std::string_view::npos) {
        return std::string(text);
    }
    // The reader lets a brace stand in a story with memory only around the name of a number.
    std::string shown;
    std::size_t at = 0;
    for (std::size_t open; (open = text.find('{', at)) != std::string_view::npos;) {
        const std::size_t close = text.find('}', open);
        if (close == std::string_view::npos) {
            break;
        }
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const std::span<const StoryValue> values = story->values();
        const auto named = std::find_if(values.begin(), values.end(), [name](const StoryValue& v) {
            return v.kind == ValueKind::Number && v.name == name;
        });
        shown.append(text.substr(at, open - at));
        if (named == values.end()) {
            shown.append(text.substr(open, close + 1 - open));
        } else {
            shown += std::to_string(state.values[static_cast<std::size_t>(named - values.begin())]);
        }
        at = close + 1;
    }
    shown.append(text.substr(at));
    return shown;
}

bool isOver(const EngineState& state) noexcept {
    return state.gameOver;
}

void draw(const EngineState& /*state*/) noexcept {}

} // namespace Engine
