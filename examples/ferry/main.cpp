// The ferry game: the engine's whole game, playing the ferry's story in the window of its look.
#include "engine/stage.hpp"
#include "examples/ferry/ferry_story.hpp"

int main() {
    return Engine::runStoryGame(Ferry::ferryLook, [](SDL_Surface* screen) {
        Engine::playStory(screen, Ferry::ferryStory(), Ferry::ferryLook);
    });
}
