// `ferry-story map` and `ferry-story check`, from where data/ is.
#include "engine/story_tool.hpp"
#include "examples/ferry/ferry_story.hpp"

int main(int argc, char** argv) {
    return storyToolMain(argc, argv, ferryStory(), ferryLook);
}
