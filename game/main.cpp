#include "engine/stage.hpp"
#include "game/config.hpp"
#include "game/setup.hpp"

int main() {
    return Engine::runStoryGame(Game::Config::look, Game::gameSetup);
}
