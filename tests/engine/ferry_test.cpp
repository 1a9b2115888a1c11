// The example story, played through the interpreter to each of its endings, and its map.
#include "examples/ferry/ferry_story.hpp"
#include "play_support.hpp"
#include "writer/story_explore.hpp"
#include "writer/story_map.hpp"

#include <sstream>

namespace {

using namespace Engine;
using namespace Ferry;

struct Path {
    std::vector<TGInput> choices;
    std::string ending;
};

TEST(Ferry, EveryPathReachesItsEnding) {
    using enum TGInput;
    const std::vector<Path> paths{
        {{SelectFirst}, "(Ending: the far shore)"},
        {{SelectSecond}, "(Ending: downstream)"},
        {{SelectThird, SelectThird}, "(Ending: the long way round)"},
        {{SelectThird, SelectFirst}, "(Ending: the far shore)"},
        // The third haggle brings the price down, and walking away moves up to key 2.
        {{SelectThird, SelectSecond, SelectSecond, SelectSecond}, "(Ending: the long way round)"},
        {{SelectThird, SelectSecond, SelectSecond, SelectFirst}, "(Ending: the far shore)"},
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

// Haggling three times saves a coin: the price is shown, and the option to haggle is gone.
TEST(Ferry, HagglingSavesACoin) {
    PlaySupport::Play play(ferryStory());
    ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
    for (int round = 1; round <= 3; ++round) {
        ASSERT_NO_FATAL_FAILURE(
            play.select(round == 1 ? TGInput::SelectThird : TGInput::SelectSecond));
        const std::size_t from = play.fed.size();
        ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
        EXPECT_EQ(play.fed[from + 1],
                  round < 3 ? "\"Three,\" he says, and waits." : "He sighs. \"Two, then.\"");
        const std::vector<std::string> haggling{"1: Pay him", "2: Haggle again", "3: Walk away"};
        const std::vector<std::string> given{"1: Pay him", "2: Walk away"};
        EXPECT_EQ(offeredLabels(play.state), round < 3 ? haggling : given);
    }
    const std::size_t from = play.fed.size();
    ASSERT_NO_FATAL_FAILURE(play.select(TGInput::SelectFirst));
    ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
    EXPECT_EQ(
        play.fedFrom(from),
        (std::vector<std::string>{"You count 2 coins\ninto his hand.", "One stays in your purse.",
                                  "Halfway over, the fog lifts.", "(Ending: the far shore)"}));
}

TEST(Ferry, EveryPlaythroughChecksClean) {
    const Playthroughs walked = explorePlaythroughs(ferryStory(), nullptr);
    EXPECT_TRUE(walked.complete);
    for (const Finding& finding : walked.findings) {
        ADD_FAILURE() << describe(finding, ferrySource());
    }
}

// Haggling ends, as the price drops for good: the ways are finite, and counted.
TEST(Ferry, StatsCountTheWaysToEachEnding) {
    const StoryStats stats = storyStats(ferryStory());
    EXPECT_EQ(stats.sections, 5u);
    EXPECT_EQ(stats.japaneseCharacters, 0u);
    EXPECT_EQ(stats.playthroughs, 8u)
        << "pay, swim, or haggle once, twice or thrice, then pay or walk";
    EXPECT_FALSE(stats.morePlaythroughs);
    ASSERT_EQ(stats.endings.size(), 3u);
    EXPECT_EQ(stats.endings[0].lastLine, "(Ending: the far shore)");
    // Space twice, 1, then the four lines of pay; haggling three times adds two rounds of
    // option, line and line, and the line "One stays in your purse.".
    EXPECT_EQ(stats.endings[0].fewestKeys, 7u);
    EXPECT_EQ(stats.endings[0].mostKeys, 20u);
    EXPECT_FALSE(stats.endings[0].endless);
    EXPECT_EQ(stats.endings[1].fewestKeys, stats.endings[1].mostKeys) << "one way to swim";
    EXPECT_GT(stats.endings[0].mostSeconds, stats.endings[0].leastSeconds);
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
    EXPECT_EQ(count("s2 -> s2 [label=\"Haggle again\\n[if price = 3]\"]"), 1u);
    EXPECT_EQ(count(" -> s3 [label=\"1: Pay him\"]"), 1u);
    EXPECT_EQ(count(" -> s3 [label=\"Pay him\"]"), 1u) << "both selectors share the branch";
    EXPECT_EQ(count("shape=doubleoctagon"), 3u);
    EXPECT_EQ(count("\\\"Three coins to cross,\\\" he says."), 1u) << "quotes escaped";
    EXPECT_EQ(count("->"), 10u);
}

} // namespace
