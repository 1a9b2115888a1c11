#include "game/setup.hpp"

#include "engine/stage.hpp"
#include "framework/event_wait.hpp"
#include "game/config.hpp"
#include "game/game_data.hpp"
#include "game/story_script.hpp"

namespace Game {

void gameSetup(SDL_Surface* screen) {
    const SaveFile saved = readSaveFile(Config::savePath);
    // A file that was not a record may hold a player's typo: its bytes are kept beside it.
    const auto save = [&] { saveGameData(Config::savePath, saved.data, saved.old); };
    // Play never changes the record, so the one read is the one to keep if play is cut off. The
    // guard stays up through the last save, so that a second SIGHUP cannot cut that short.
    const Framework::WaysOut cutOff{save};
    Engine::playStory(screen, storyScript(), Config::look);
    save();
}

} // namespace Game
