// Checks an author runs on a story before anyone plays it: what StoryBuilder cannot see, and
// whether the text fits the panels and the font. Pure: the font comes in as functions.
#pragma once

#include "engine/input.hpp"
#include "engine/page.hpp"
#include "engine/scenario.hpp"
#include "engine/story_file.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace Engine {

// One problem, at a sequence (the number of its ListId) and an element (counted from 1; 0 when
// it concerns the sequence as a whole).
struct Finding {
    std::size_t sequence = 0;
    std::size_t element = 0;
    std::string message;
    std::size_t option = 0; // counted from 1 when it concerns one option of a selector
    // The shortest keys from the start that show it, when only some playthroughs do.
    std::vector<TGInput> keys{};
    friend bool operator==(const Finding&, const Finding&) = default;
};

// In the author's terms: "ferry.story:14: section "haggle": ..." for a story from a file,
// "section 3, element 2: ..." (or "section 3: ..." for the section as a whole) for one from C++.
// A finding with keys ends "; keys: space ×2, 3"; one about a value as a whole (sequence 0,
// element its slot + 1) names the line that declares it.
[[nodiscard]] std::string describe(const Finding& finding, const StorySource& source = {});

// "keys 1 to 3 take only the first three": why options beyond them are never taken.
[[nodiscard]] std::string keysTakeOnly();

// "space ×2, 3, space": what a player presses, runs of one key counted.
[[nodiscard]] std::string keyNames(const std::vector<TGInput>& keys);

// Sequences no option leads to or declared and never written, options that lead to no sequence or
// an empty one, options numbered out of key order or with empty labels, elements no play ever
// shows, places from which no ending can be reached, endings on a blank page, page clears written
// so that they are shown as text, and selectors with more options than keys 1 to 3 can take. In
// sequence and element order.
[[nodiscard]] std::vector<Finding> checkShape(const Story& story, const StorySource& source = {});

// Lines and option labels wider than the panel, option lists taller than the choices panel, pages
// taller than the story panel ("*cls*" and every option taken start a new page), and characters
// the font does not have.
[[nodiscard]] std::vector<Finding> checkFit(const Story& story, const TextFit& fit);

// Every sequence a player can reach from the opening, by listIndex: only options a key takes into
// sequences that are not empty lead anywhere.
[[nodiscard]] std::vector<bool> reachableSequences(const Story& story);

// How a sequence leaves when played from its start, as the interpreter plays it.
struct SequenceExit {
    std::size_t at = 0; // index of the element that ends or branches; the size when it runs out
    const ScenarioSelector* selector = nullptr; // options can be taken here
    bool ends = false;                          // the game ends here
};
[[nodiscard]] SequenceExit exitOf(std::span<const Scenario> elements) noexcept;

// True when some label names a value in braces, so that it shows as the values stand.
[[nodiscard]] bool showsValues(const Story& story, const ScenarioSelector& selector) noexcept;

// The options a key can take at a selector: the first three.
[[nodiscard]] std::span<const SelectorOption>
keyedOptions(const Story& story, const ScenarioSelector& selector) noexcept;

} // namespace Engine
