// One small broken story per finding, each expecting its message and, where the map marks the
// fault, its mark there; a sound story has no finding.
#include "engine/story_check.hpp"
#include "engine/story_map.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Ten pixels a byte, four lines to a page, four option lines to the choices panel.
const TextFit fit{[](std::string_view run) { return static_cast<int>(run.size()) * 10; }, 16, 100,
                  64, 64};

using T = ScenarioText;
using End = ScenarioEventGameEnd;
using Ask = ScenarioSelector;
using Sequences = std::vector<std::vector<Scenario>>;

// Sequence n of a case is ListId n: the builder numbers them in the order they are declared.
constexpr ListId to(std::uint32_t n) {
    return static_cast<ListId>(n);
}

struct Case {
    const char* name;
    Sequences sequences; // the first is the opening
    std::vector<std::string> findings;
    std::string onMap{}; // how the map shows the fault, where it does
};

const std::vector<Case> cases{
    {"Sound",
     {{T{"1234567890"}, ScenarioEventNone{}, Ask{{{"1: again", to(1)}, {"2: win", to(2)}}}},
      {T{"a\nb"}, T{"c\nd"}, T{"*cls*"}, T{"won"}, End{}}},
     {}},
    {"Unreachable",
     {{T{"a"}, End{}}, {T{"lost"}, End{}}},
     {"sequence 2: no option leads here from the opening"},
     "s2 [label=\"sequence 2\\nlost\", style=\"rounded,dashed\""},
    {"OptionToNoSequence",
     {{Ask{{{"1", to(2)}, {"2: x", ListId{}}}}}, {T{"end"}, End{}}},
     {"sequence 1, element 1: option 2 \"2: x\" leads to no sequence"},
     "s1 -> s1_nothing2 [label=\"2: x\", color=red]"},
    {"OptionToEmptySequence",
     {{Ask{{{"1", to(2)}, {"2", to(3)}}}}, {T{"end"}, End{}}, {}},
     {"sequence 1, element 1: option 2 \"2\" leads to sequence 3, which is empty"}},
    {"LoopWithNoWayOut",
     {{T{"round"}, Ask{{{"1", to(1)}}}}},
     {"sequence 1, element 2: no option here leads to an ending"}},
    {"RunsOut",
     {{T{"a"}, T{"b"}}},
     {"sequence 1, element 2: the story runs out here without an ending"},
     "s1 -> s1_out"},
    {"MoreOptionsThanKeys",
     {{Ask{{{"1", to(2)}, {"2", to(2)}, {"3", to(2)}, {"4", to(2)}}}}, {T{"end"}, End{}}},
     {"sequence 1, element 1: 4 options, but keys 1 to 3 take only the first three"},
     "s1 -> s2 [label=\"4\", style=dotted"},
    {"TextAfterTheEnd",
     {{T{"a"}, End{}, T{"lost"}}},
     {"sequence 1, element 3: never shown: the game ends at element 2"}},
    {"TextAfterASelector",
     {{Ask{{{"1", to(2)}}}, T{"lost"}}, {T{"end"}, End{}}},
     {"sequence 1, element 2: never shown: the selector at element 1 leaves this sequence"}},
    {"EndRightAfterASelector",
     {{Ask{{{"1", to(1)}}}, End{}}},
     {"sequence 1, element 1: the game end right after this selector ends the game before an "
      "option can be taken"}},
    {"LineTooWide",
     {{T{"short\n12345678901"}, End{}}},
     {"sequence 1, element 1: line is 110 px, the panel is 100"}},
    {"LabelTooWide",
     {{Ask{{{"1", to(2)}, {"2: 12345678", to(2)}}}}, {T{"end"}, End{}}},
     {"sequence 1, element 1: option 2 is 110 px, the panel is 100"}},
    {"OptionsTooTall",
     {{Ask{{{"1\nx\ny", to(2)}, {"2\nx", to(2)}}}}, {T{"end"}, End{}}},
     {"sequence 1, element 1: the options take 80 px, the choices panel is 64"}},
    {"PageTooTall",
     {{T{"a\nb"}, T{"c"}, ScenarioEventNone{}, T{"e"}, End{}}},
     {"sequence 1, element 4: page is 80 px, the panel is 64"}},
};

TEST(StoryCheck, EachBrokenStoryGivesItsFinding) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoryBuilder b;
        for (std::size_t i = 0; i < c.sequences.size(); ++i) {
            static_cast<void>(b.declare());
        }
        for (std::size_t i = 0; i < c.sequences.size(); ++i) {
            b.define(to(static_cast<std::uint32_t>(i + 1)), c.sequences[i]);
        }
        const Story story = std::move(b).build(to(1));
        std::vector<std::string> found;
        for (const std::vector<Finding>& list : {checkShape(story), checkFit(story, fit)}) {
            for (const Finding& finding : list) {
                found.push_back(describe(finding));
            }
        }
        EXPECT_EQ(found, c.findings);
        std::ostringstream map;
        writeStoryMap(story, map);
        EXPECT_NE(map.str().find(c.onMap), std::string::npos) << map.str();
    }
}

} // namespace
