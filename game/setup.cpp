#include "game/setup.hpp"

#include "framework/event_wait.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"

GameResources loadResources(SDL_Surface* screen) {
    return loadResources(screen, config::look);
}

void gameSetup(SDL_Surface* screen) {
    // The game sets no timer. SDL 1.2's timer thread would wake the process a thousand times a
    // second while the player reads, so it goes before anything else is loaded.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    GameResources resources = loadResources(screen);
    const SaveFile saved = readSaveFile(config::savePath);
    // A file that was not a record may hold a player's typo: its bytes are kept beside it.
    const auto save = [&](const GameData& record) {
        saveGameData(config::savePath, record, saved.old);
    };
    // Play never changes the record, so the one read is the one to keep if play is cut off. The
    // guard stays up through the last save, so that a second SIGHUP cannot cut that short.
    const WaysOut cutOff{[&] { save(saved.data); }};
    save(gameMain(saved.data, resources.panelA, resources.panelB, resources.panelC,
                  resources.background.get()));
    release(resources);
}

GameData gameMain(const GameData& record, const TextPanel& panelA, const TextPanel& panelB,
                  const TextPanel& panelC, SDL_Surface* background) {
    SDL_Surface* screen = SDL_GetVideoSurface();
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    static_cast<void>(gameLoop(
        {screen, black, panelA, panelB, panelC, background, initialEngineState(storyScript())}));
    return record;
}
