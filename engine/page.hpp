// The page: how the story and choices panels fill as the frame writes them, which the checks
// measure by. Pure: widths come in as a function.
#pragma once

#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

// What a width function gives for a run too long to measure to its end.
inline constexpr int unmeasuredWidth = std::numeric_limits<int>::max();

// How text measures in the game's font, and the room the panels give it.
struct TextFit {
    std::function<int(std::string_view)>
        width; // of one run, without line breaks, or unmeasuredWidth
    int lineSkip = 0;
    int panelWidth = 0; // what the window shows of a line
    int storyHeight = 0;
    int choicesHeight = 0;
    std::function<bool(char32_t)> hasGlyph{}; // unset: every character is taken as drawn
};

// The lines a text takes: one, and one more after each "\n"; "\r" goes back over the same line.
[[nodiscard]] int linesOf(std::string_view text);

// The widest of a text's runs between line breaks. Runs are drawn as they are, never wrapped: what
// passes the panel's edge is cut there.
[[nodiscard]] int widestRun(std::string_view text, const TextFit& fit);

// The story panel since it was last cleared.
struct Page {
    int lines = 0;
    friend bool operator==(const Page&, const Page&) = default;
};

// True for the text that clears the page instead of being written on it.
[[nodiscard]] bool clearsPage(std::string_view shown) noexcept;

// The page once a line is shown: the text of the element fed, or "" for an element that is not
// text, which writes an empty line (a choice about to be offered, a pause).
[[nodiscard]] Page fed(Page page, std::string_view shown);

// Taking an option clears the page.
inline constexpr Page pageAfterChoice{};

// True when this many lines are taller than a panel of `height` pixels.
[[nodiscard]] bool tooTall(int lines, const TextFit& fit, int height) noexcept;

// What the choices panel is written with: the labels offered, one below the other.
[[nodiscard]] std::string choicesText(const std::vector<std::string>& labels);
// The lines they take there.
[[nodiscard]] int choicesLines(const std::vector<std::string>& labels);

} // namespace Engine
