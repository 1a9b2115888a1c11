// What the writer's player and the page share: the look a story file is shown in (the player's
// spaced panels) and the keys a reader took, kept as text and played again through the frame, so
// that a reload on the desktop and a reader's kept place on the page reach the same spot.
#pragma once

#include "engine/frame.hpp"
#include "engine/keymap.hpp"
#include "engine/look.hpp"
#include "engine/scenario.hpp"
#include "engine/stage.hpp"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

// The extra room between lines that keeps what reaches lowest of the story's characters (g, y, p,
// q, parentheses) clear of the next line's background in this font: 0 where the font's line skip
// already leaves it, as for kana and kanji.
[[nodiscard]] int descenderGap(TTF_Font* font, const Story& story);

// The look a story file is played with: the story and choices panels take the margins below them,
// so that as many lines fit with the wider spacing as in the game.
[[nodiscard]] StoryLook playerLook(StoryLook look);

// The frame's values for a story file: the resources' panels with lines `gap` pixels further
// apart, starting from `state`.
[[nodiscard]] FrameValues spacedValues(SDL_Surface* screen, const GameResources& resources, int gap,
                                       const EngineState& state);

// Whether a key that took the frame from `before` to `after` is one a replay takes again: every
// space, and every option that was taken.
[[nodiscard]] bool replayable(KeyOutcome outcome, const EngineState& before,
                              const EngineState& after) noexcept;

// The keys played again through the frame from `values`, up to the first that no longer does what
// it did: a space where a choice now waits, an option that is gone, anything once the story has
// ended. Returns how many were played.
[[nodiscard]] std::size_t replayKeys(FrameValues& values, const std::vector<KeyOutcome>& keys);

// Keys as a line of text, a character each ('.' a space, '1' to '3' an option), and back: a
// character that is none of those ends the keys read.
[[nodiscard]] std::string keysText(const std::vector<KeyOutcome>& keys);
[[nodiscard]] std::vector<KeyOutcome> keysFromText(std::string_view text);

} // namespace Engine
