// Checks an author runs on a story before anyone plays it: what StoryBuilder cannot see, and
// whether the text fits the panels. Pure: the font comes in as a measuring function.
#pragma once

#include "engine/scenario.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One problem, at a sequence (the number of its ListId) and an element (counted from 1; 0 when
// it concerns the sequence as a whole).
struct Finding {
    std::size_t sequence = 0;
    std::size_t element = 0;
    std::string message;
    friend bool operator==(const Finding&, const Finding&) = default;
};

// "sequence 3, element 2: line is 312 px, the panel is 304", or "sequence 3: ..." for element 0.
[[nodiscard]] std::string describe(const Finding& finding);

// How text measures in the game's font, and the room the panels give it.
struct TextFit {
    std::function<int(std::string_view)> width; // of one run, without line breaks
    int lineSkip = 0;
    int panelWidth = 0; // what the window shows of a line
    int storyHeight = 0;
    int choicesHeight = 0;
};

// Sequences no option leads to, options that lead to no sequence or an empty one, elements no
// play ever shows, places from which no ending can be reached, and selectors with more options
// than keys 1 to 3 can take. In sequence and element order.
[[nodiscard]] std::vector<Finding> checkShape(const Story& story);

// Lines and option labels wider than the panel, option lists taller than the choices panel, and
// pages taller than the story panel ("*cls*" and every option taken start a new page).
[[nodiscard]] std::vector<Finding> checkFit(const Story& story, const TextFit& fit);

// How a sequence leaves when played from its start, as the interpreter plays it.
struct SequenceExit {
    std::size_t at = 0; // index of the element that ends or branches; the size when it runs out
    const ScenarioSelector* selector = nullptr; // options can be taken here
    bool ends = false;                          // the game ends here
};
[[nodiscard]] SequenceExit exitOf(std::span<const Scenario> elements) noexcept;

// The options a key can take at a selector: the first three.
[[nodiscard]] std::span<const SelectorOption>
keyedOptions(const ScenarioSelector& selector) noexcept;
