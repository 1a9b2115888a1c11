#include "examples/ferry/ferry_story.hpp"

#include <stdexcept>

// ferry.story's text, built into the program (ferry_story_text.cpp.in).
extern const std::string_view ferryStoryText;

namespace {

const StoryFile& ferryFile() {
    static const StoryFile file = readStory(ferryStoryText, "examples/ferry/ferry.story");
    if (file.story == nullptr) {
        throw std::logic_error(describe(file.errors.front()));
    }
    return file;
}

} // namespace

const Story& ferryStory() {
    return *ferryFile().story;
}

const StorySource& ferrySource() {
    return ferryFile().source;
}
