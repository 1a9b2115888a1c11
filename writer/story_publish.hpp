// gorubadon-story publish: a story file turned into a folder of static files that plays it in a
// browser, from the web engine built once for every story (make web) and installed beside the
// program. See docs/writing-a-story.md, "Publishing".
#pragma once

#include "engine/look.hpp"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Engine {

struct PublishOptions {
    std::string story;
    std::string folder;
    bool serve = false;  // show the folder on 127.0.0.1 once it is written
    bool asGame = false; // laid out as the game itself, keeping the game's record
};

// FILE DIR [--serve] [--game], the flags anywhere; nullopt for anything else.
[[nodiscard]] std::optional<PublishOptions> publishOptions(std::span<const std::string_view> args);

// The page's own texts, filled in: each placeholder "@NAME@" of `text` that `values` names is
// replaced by its value; every other byte stays as it is.
[[nodiscard]] std::string fillTemplate(std::string_view text,
                                       const std::map<std::string, std::string>& values);

// The title as HTML text or attribute, and as the inside of a JSON string.
[[nodiscard]] std::string htmlEscaped(std::string_view text);
[[nodiscard]] std::string jsonEscaped(std::string_view text);

// Checks the story as check FILE does (its errors refuse, its findings are printed and the page
// is still written), then writes the folder whole or not at all: an existing folder is replaced
// only when it is one this command wrote. 0 when written (and served until interrupted), else 1.
[[nodiscard]] int publishStory(const PublishOptions& options, const StoryLook& look);

} // namespace Engine
