// The game's start routine, for the runner: the engine's game with the player record around it.
#pragma once

#include <SDL.h>

// The game's names are in Game, its fixed settings in Game::Config; main stays global.
namespace Game {

// Reads the player record from "save.txt", plays the story once in the game's look (the engine's
// playStory) and writes the record back. Play never changes the record.
void gameSetup(SDL_Surface* screen);

} // namespace Game
