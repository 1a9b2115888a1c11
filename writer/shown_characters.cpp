#include "writer/shown_characters.hpp"

#include "framework/utf8.hpp"

#include <variant>

namespace Engine {

void addShownCharacters(std::string_view text, std::set<char32_t>& to) {
    for (std::size_t i = 0; i < text.size();) {
        const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(text, i);
        // Line breaks and other controls are never drawn.
        if (d.cp >= 0x20) {
            to.insert(d.cp);
        }
        i += d.length;
    }
}

std::set<char32_t> shownCharacters(const Story& story) {
    std::set<char32_t> shown{U'\uFFFD'};
    for (char32_t c = 0x20; c < 0x7F; ++c) {
        shown.insert(c);
    }
    for (char32_t c = U'０'; c <= U'９'; ++c) {
        shown.insert(c);
    }
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        for (const Scenario& element : story.elements(listAt(s))) {
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                addShownCharacters(text->text, shown);
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                if (const OptionNumbering* numbering = story.numbering(*selector)) {
                    addShownCharacters(numbering->before, shown);
                    addShownCharacters(numbering->after, shown);
                }
                for (const SelectorOption& option : story.options(*selector)) {
                    addShownCharacters(option.label, shown);
                }
            }
        }
    }
    return shown;
}

bool anyJapanese(const std::set<char32_t>& characters) {
    const auto within = [&](char32_t first, char32_t last) {
        const auto at = characters.lower_bound(first);
        return at != characters.end() && *at <= last;
    };
    // Kana, the kanji of both blocks, and half-width katakana.
    return within(U'\u3041', U'\u30FF') || within(U'\u3400', U'\u4DBF') ||
           within(U'\u4E00', U'\u9FFF') || within(U'\uFF66', U'\uFF9F');
}

} // namespace Engine
