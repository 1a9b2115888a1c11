// The ferry game: the engine's whole game, playing the ferry's story in the window of its look.
#include "engine/stage.hpp"
#include "examples/ferry/ferry_story.hpp"

int main() {
    return runStoryGame(ferryLook,
                        [](SDL_Surface* screen) { playStory(screen, ferryStory(), ferryLook); });
}
