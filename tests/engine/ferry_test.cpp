// The example story, played through the interpreter to each of its endings, and its map.
#include "engine/story_map.hpp"
#include "examples/ferry/ferry_story.hpp"
#include "play_support.hpp"

#include <sstream>

namespace {

using namespace Engine;
using namespace Ferry;

struct Path {
    std::vector<TGInput> choices;
    std::string ending;
};

TEST(Ferry, EveryPathReachesItsEnding) {
    const std::vector<Path> paths{
        {{TGInput::SelectFirst}, "(Ending: the far shore)"},
        {{TGInput::SelectSecond}, "(Ending: downstream)"},
        {{TGInput::SelectThird, TGInput::SelectSecond, TGInput::SelectSecond, TGInput::SelectThird},
         "(Ending: the long way round)"},
        {{TGInput::SelectThird, TGInput::SelectFirst}, "(Ending: the far shore)"},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.ending);
        PlaySupport::Play play(ferryStory());
        ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
        for (const TGInput choice : path.choices) {
            ASSERT_NO_FATAL_FAILURE(play.select(choice));
            ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
        }
        EXPECT_TRUE(play.state.gameOver);
        EXPECT_EQ(play.overAfterFeed, play.fed.size()) << "over when the caption is shown";
        EXPECT_EQ(play.fed.back(), path.ending);
    }
}

TEST(Ferry, MapDrawsEachSequenceOnceWithTheLoopAndTheEndings) {
    std::ostringstream dot;
    writeStoryMap(ferryStory(), dot, ferrySource());
    const std::string map = dot.str();
    const auto count = [&](const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = map.find(part); at != std::string::npos;
             at = map.find(part, at + 1)) {
            ++n;
        }
        return n;
    };
    // Sections in the order ferry.story writes them: opening, haggle, pay, swim, walk.
    EXPECT_EQ(count("start -> s1;"), 1u);
    for (const char* box : {"  s1 [label=\"opening", "  s2 [label=\"haggle", "  s3 [label=\"pay",
                            "  s4 [label=\"swim", "  s5 [label=\"walk"}) {
        EXPECT_EQ(count(box), 1u) << box;
    }
    EXPECT_EQ(count("s2 -> s2 [label=\"2: Haggle again\"]"), 1u);
    EXPECT_EQ(count(" -> s3 [label=\"1: Pay him\"]"), 2u) << "both selectors share the branch";
    EXPECT_EQ(count("shape=doubleoctagon"), 3u);
    EXPECT_EQ(count("\\\"Three coins to cross,\\\" he says."), 1u) << "quotes escaped";
    EXPECT_EQ(count("->"), 10u);
}

} // namespace
