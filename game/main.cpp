#include "engine/stage.hpp"
#include "game/config.hpp"
#include "game/setup.hpp"

int main() {
    return runStoryGame(config::look, gameSetup);
}
