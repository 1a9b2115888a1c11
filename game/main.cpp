#include "framework/runner.hpp"
#include "game/config.hpp"
#include "game/setup.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main() try {
    runGame(config::screenWidth, config::screenHeight, config::caption, config::iconPath,
            config::iconColorKey, config::audioFrequency, gameSetup);
    return EXIT_SUCCESS;
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return EXIT_FAILURE;
}
