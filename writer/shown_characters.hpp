// Every character a story can put on screen, so that a font cut to them draws all of it.
#pragma once

#include "engine/scenario.hpp"

#include <set>
#include <string_view>

namespace Engine {

// The characters of every text and option label of `story` and of its options' numbering, with
// what is drawn whatever a story holds: printable ASCII (a number's digits and its minus sign
// among them), full-width digits and U+FFFD, which stands for bytes that are not UTF-8.
[[nodiscard]] std::set<char32_t> shownCharacters(const Story& story);

// Whether any of them is kana or kanji: the page then tells screen readers the story is Japanese.
[[nodiscard]] bool anyJapanese(const std::set<char32_t>& characters);

// The same characters added from `text`, as the panels decode it.
void addShownCharacters(std::string_view text, std::set<char32_t>& to);

} // namespace Engine
