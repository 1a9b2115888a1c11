// The ferry game: the framework's runner around the engine's whole game, playing the ferry's story.
#include "engine/stage.hpp"
#include "examples/ferry/ferry_story.hpp"
#include "framework/runner.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main() try {
    runGame(320, 240, "The Ferry", "data/images/icon.bmp", 15, 44100,
            [](SDL_Surface* screen) { playStory(screen, ferryStory(), ferryLook); });
    return EXIT_SUCCESS;
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return EXIT_FAILURE;
}
