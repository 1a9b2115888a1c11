#include "examples/ferry/ferry_story.hpp"

#include <stdexcept>

namespace Ferry {

// ferry.story's text, built into the program (ferry_story_text.cpp.in).
extern const std::string_view ferryStoryText;

namespace {

const Engine::StoryFile& ferryFile() {
    static const Engine::StoryFile file =
        Engine::readStory(ferryStoryText, "examples/ferry/ferry.story");
    if (file.story == nullptr) {
        throw std::logic_error(Engine::describe(file.errors.front()));
    }
    return file;
}

} // namespace

const Engine::Story& ferryStory() {
    return *ferryFile().story;
}

const Engine::StorySource& ferrySource() {
    return ferryFile().source;
}

} // namespace Ferry
