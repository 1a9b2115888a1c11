// The game's start-up, its loop and its tear-down, around the runner's call of gameSetup.
#pragma once

#include "engine/frame.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/text_panel.hpp"
#include "game/game_data.hpp"

#include <SDL.h>

// What gameSetup makes before play and owns for the whole run. The panels borrow the surfaces and
// the font; destroy them by release, which closes the font before it frees the panel surfaces.
struct GameResources {
    SurfacePtr surfaceA;
    SurfacePtr surfaceB;
    SurfacePtr surfaceC;
    FontPtr font;
    TextPanel panelA;
    TextPanel panelB;
    TextPanel panelC;
    SurfacePtr background;
};

// The three translucent panels at the screen's depth, the font and the background, the last held in
// the screen's pixel format. A missing data file is fatal: SdlError "TTF_OpenFontIndex" or
// "IMG_Load".
[[nodiscard]] GameResources loadResources(SDL_Surface* screen);

// Closes the font, then frees the story, choices and bottom panel surfaces, in that order.
void release(GameResources& resources) noexcept;

// The start routine: shuts SDL's timer subsystem down (the game sets no timer), builds the panels,
// the font and the background, plays the story once with the player record from "save.txt", writes
// the record back and releases what it made.
void gameSetup(SDL_Surface* screen);

// Plays the story once from its start and returns the record it was given: nothing in play
// changes it.
[[nodiscard]] GameData gameMain(const GameData& record, const TextPanel& panelA,
                                const TextPanel& panelB, const TextPanel& panelC,
                                SDL_Surface* background);

// Draws the background and the story panel, then runs the engine's frame, once per event, until
// the frame ends the loop. Returns the values the loop ended with.
FrameValues gameLoop(FrameValues values);
