// The engine's half of one frame: show the choices and bottom panels, put the frame on screen, wait
// for one event, and write the story and the choices into the panels as the event requires.
#pragma once

#include "engine/interpreter.hpp"
#include "engine/look.hpp"
#include "framework/text_panel.hpp"

#include <SDL.h>

#include <optional>

namespace Engine {

// The seven values the game loop carries from frame to frame. The screen belongs to SDL and the
// background to the game; both are borrowed here.
struct FrameValues {
    SDL_Surface* screen = nullptr;
    Uint32 black = 0;            // carried for the game, not drawn with
    Framework::TextPanel panelA; // story
    Framework::TextPanel panelB; // choices
    Framework::TextPanel panelC; // bottom
    SDL_Surface* background = nullptr;
    EngineState state;
};

// The panels stand one below the other from the screen's top, story, choices, bottom, each as high
// as its surface, with an 8-pixel margin around and between them. Only this file and frame.cpp
// know it; the rest asks them.
inline constexpr Sint16 panelX = 8;
inline constexpr Sint16 panelAY = panelX;

// The width of a line the window shows whole: a margin kept at its right as at its left.
[[nodiscard]] constexpr int shownLineWidth(const StoryLook& look) noexcept {
    return look.screenWidth - 2 * panelX;
}

// The look with the story and choices panels reaching over the margins below them, so that as
// many lines fit with a wider spacing.
[[nodiscard]] constexpr StoryLook marginsTaken(StoryLook look) noexcept {
    look.storyPanelHeight += panelX;
    look.choicesPanelHeight += panelX;
    return look;
}

// Puts the story panel in its place on the screen, under whatever is drawn after it.
void showStoryPanel(const FrameValues& values) noexcept;

// Blits a whole surface with its top-left corner at (x, y); the screen clips it.
void blitAt(SDL_Surface* source, SDL_Surface* screen, Sint16 x, Sint16 y) noexcept;

// Draws the choices panel (only while a choice is pending) and the bottom panel, then flips.
void showFrame(const FrameValues& values) noexcept;

// What one event does to the loop's values: the next values, or nothing when the loop ends.
// Writes the story line or the choices into the panels' surfaces as it goes.
[[nodiscard]] std::optional<FrameValues> dispatch(const FrameValues& values,
                                                  const SDL_Event& event);

} // namespace Engine
