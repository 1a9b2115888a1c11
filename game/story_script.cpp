#include "game/story_script.hpp"

#include "engine/story_file.hpp"

#include <stdexcept>

namespace Game {

// gorubadon.story's text, built into the program (story_script_text.cpp.in).
extern const std::string_view storyScriptText;

const Engine::Story& storyScript() {
    static const Engine::StoryFile file =
        Engine::readStory(storyScriptText, "game/gorubadon.story");
    if (file.story == nullptr) {
        throw std::logic_error(Engine::describe(file.errors.front()));
    }
    return *file.story;
}

} // namespace Game
