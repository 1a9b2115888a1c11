// The game's start-up, its loop and its tear-down, around the runner's call of gameSetup.
#pragma once

#include "engine/stage.hpp"
#include "framework/text_panel.hpp"
#include "game/game_data.hpp"

#include <SDL.h>

// The engine's loadResources with the game's own look (config::look).
[[nodiscard]] GameResources loadResources(SDL_Surface* screen);

// The start routine: shuts SDL's timer subsystem down (the game sets no timer), builds the panels,
// the font and the background, plays the story once with the player record from "save.txt", writes
// the record back and releases what it made.
void gameSetup(SDL_Surface* screen);

// Plays the story once from its start and returns the record it was given: nothing in play
// changes it.
[[nodiscard]] GameData gameMain(const GameData& record, const TextPanel& panelA,
                                const TextPanel& panelB, const TextPanel& panelC,
                                SDL_Surface* background);
