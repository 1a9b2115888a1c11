// One small broken story per finding, each expecting its message; a sound story has none.
#include "engine/story_check.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Ten pixels a byte, four lines to a page, four option lines to the choices panel.
const TextFit fit{[](std::string_view run) { return static_cast<int>(run.size()) * 10; }, 16, 100,
                  64, 64};

using T = ScenarioText;
using End = ScenarioEventGameEnd;

// A story whose first sequence is an ending, and an opening of `elements` that may lead to it.
template <typename Make>
Story withEnding(Make make) {
    StoryBuilder b;
    const ListId end = b.add({T{"end"}, End{}});
    return std::move(b).build(make(b, end));
}

struct Case {
    const char* name;
    Story (*story)();
    std::vector<std::string> findings;
};

const Case cases[] = {
    {"Sound",
     [] {
         StoryBuilder b;
         const ListId again = b.declare();
         const ListId win = b.add({T{"a\nb"}, T{"c\nd"}, T{"*cls*"}, T{"won"}, End{}});
         b.define(again, {T{"1234567890"}, ScenarioEventNone{},
                          ScenarioSelector{{{"1: again", again}, {"2: win", win}}}});
         return std::move(b).build(again);
     },
     {}},
    {"Unreachable",
     [] {
         StoryBuilder b;
         static_cast<void>(b.add({T{"lost"}, End{}}));
         return std::move(b).build(b.add({T{"a"}, End{}}));
     },
     {"sequence 1: no option leads here from the opening"}},
    {"OptionToNoSequence",
     [] {
         return withEnding([](StoryBuilder& b, ListId end) {
             return b.add({ScenarioSelector{{{"1", end}, {"2: x", ListId{}}}}});
         });
     },
     {"sequence 2, element 1: option 2 \"2: x\" leads to no sequence"}},
    {"OptionToEmptySequence",
     [] {
         return withEnding([](StoryBuilder& b, ListId end) {
             const ListId hollow = b.add({});
             return b.add({ScenarioSelector{{{"1", end}, {"2", hollow}}}});
         });
     },
     {"sequence 3, element 1: option 2 \"2\" leads to sequence 2, which is empty"}},
    {"LoopWithNoWayOut",
     [] {
         StoryBuilder b;
         const ListId loop = b.declare();
         b.define(loop, {T{"round"}, ScenarioSelector{{{"1", loop}}}});
         return std::move(b).build(loop);
     },
     {"sequence 1, element 2: no option here leads to an ending"}},
    {"RunsOut",
     [] {
         StoryBuilder b;
         return std::move(b).build(b.add({T{"a"}, T{"b"}}));
     },
     {"sequence 1, element 2: the story runs out here without an ending"}},
    {"MoreOptionsThanKeys",
     [] {
         return withEnding([](StoryBuilder& b, ListId end) {
             return b.add({ScenarioSelector{{{"1", end}, {"2", end}, {"3", end}, {"4", end}}}});
         });
     },
     {"sequence 2, element 1: 4 options, but keys 1 to 3 take only the first three"}},
    {"TextAfterTheEnd",
     [] {
         StoryBuilder b;
         return std::move(b).build(b.add({T{"a"}, End{}, T{"lost"}}));
     },
     {"sequence 1, element 3: never shown: the game ends at element 2"}},
    {"TextAfterASelector",
     [] {
         return withEnding([](StoryBuilder& b, ListId end) {
             return b.add({ScenarioSelector{{{"1", end}}}, T{"lost"}});
         });
     },
     {"sequence 2, element 2: never shown: the selector at element 1 leaves this sequence"}},
    {"EndRightAfterASelector",
     [] {
         StoryBuilder b;
         const ListId ask = b.declare();
         b.define(ask, {ScenarioSelector{{{"1", ask}}}, End{}});
         return std::move(b).build(ask);
     },
     {"sequence 1, element 1: the game end right after this selector ends the game before an "
      "option can be taken"}},
    {"LineTooWide",
     [] {
         StoryBuilder b;
         return std::move(b).build(b.add({T{"short\n12345678901"}, End{}}));
     },
     {"sequence 1, element 1: line is 110 px, the panel is 100"}},
    {"LabelTooWide",
     [] {
         return withEnding([](StoryBuilder& b, ListId end) {
             return b.add({ScenarioSelector{{{"1", end}, {"2: 12345678", end}}}});
         });
     },
     {"sequence 2, element 1: option 2 is 110 px, the panel is 100"}},
    {"OptionsTooTall",
     [] {
         return withEnding([](StoryBuilder& b, ListId end) {
             return b.add({ScenarioSelector{{{"1\nx\ny", end}, {"2\nx", end}}}});
         });
     },
     {"sequence 2, element 1: the options take 80 px, the choices panel is 64"}},
    {"PageTooTall",
     [] {
         StoryBuilder b;
         return std::move(b).build(b.add({T{"a\nb"}, T{"c"}, ScenarioEventNone{}, T{"e"}, End{}}));
     },
     {"sequence 1, element 4: page is 80 px, the panel is 64"}},
};

TEST(StoryCheck, EachBrokenStoryGivesItsFinding) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Story story = c.story();
        std::vector<std::string> found;
        for (const std::vector<Finding>& list : {checkShape(story), checkFit(story, fit)}) {
            for (const Finding& finding : list) {
                found.push_back(describe(finding));
            }
        }
        EXPECT_EQ(found, c.findings);
    }
}

} // namespace
