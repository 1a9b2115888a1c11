// gorubadon-story: plays, checks and maps story files (`play FILE`, `check FILE`, `map FILE`), and
// with no file checks and maps the game's own story, from the repository root, where data/ is.
#include "game/config.hpp"
#include "game/story_script.hpp"
#include "writer/story_tool.hpp"

int main(int argc, char** argv) {
    return Engine::storyToolMain(argc, argv, Game::storyScript(), Game::Config::look);
}
