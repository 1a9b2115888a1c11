// The game's story program: `gorubadon-story map` and `gorubadon-story check`, from the
// repository root, where data/ is.
#include "engine/story_tool.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"

int main(int argc, char** argv) {
    return storyToolMain(argc, argv, storyScript(), config::look);
}
