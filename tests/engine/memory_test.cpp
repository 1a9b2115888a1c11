// Stories with memory: what the reader makes of each feature, how the interpreter plays it, and
// what the walk over every playthrough finds, with keys that the interpreter then replays.
#include "engine/interpreter.hpp"
#include "engine/story_file.hpp"
#include "writer/story_explore.hpp"

#include "play_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace Engine;

StoryFile read(const std::string& text) {
    return readStory(text, "m.story");
}

std::vector<std::string> errorsOf(const std::string& text) {
    std::vector<std::string> errors;
    for (const StoryFileError& error : read(text).errors) {
        errors.push_back(describe(error));
    }
    return errors;
}

const std::string settings = "number: coins = 2 (0 to 3)\nflag: paid = off\n";

struct ReaderCase {
    const char* name;
    std::string body; // after `settings`, lines 3 on
    std::vector<std::string> errors;
};

TEST(MemoryReader, MistakesAreNamedWithTheirPlace) {
    const std::vector<ReaderCase> cases{
        {"MisspeltInChange",
         "== s\n[add 1 to coin]\n[end]\n",
         {"m.story:4:1: no number named \"coin\"; did you mean \"coins\"?"}},
        {"MisspeltInCondition",
         "== s\n[if coisn >= 2]\nx\n[end if]\n[end]\n",
         {"m.story:4:1: no number named \"coisn\"; did you mean \"coins\"?"}},
        {"MisspeltInLine",
         "== s\nYou have {coin}.\n[end]\n",
         {"m.story:4:1: no number named \"coin\"; did you mean \"coins\"?"}},
        {"MisspeltInLabel",
         "== s\n* Buy {coin} -> s\n",
         {"m.story:4:3: no number named \"coin\"; did you mean \"coins\"?"}},
        {"BraceOpenInLabel",
         "== s\n* Buy {coins -> s\n",
         {"m.story:4:3: braces show a number, as in \"{coins} coins\"; each \"{\" needs a \"}\""}},
        {"FlagComparedAsNumber",
         "== s\n[if paid >= 1]\nx\n[end if]\n[end]\n",
         {"m.story:4:1: \"paid\" is a flag; test it as \"paid\" or \"not paid\", set it on or "
          "off"}},
        {"NumberTestedAsFlag",
         "== s\n[if not coins]\nx\n[end if]\n[end]\n",
         {"m.story:4:1: \"coins\" is a number; test it with a comparison, such as \"coins >= 1\""}},
        {"UnclosedIf",
         "== s\n[if paid]\nx\n== t\n[end]\n",
         {"m.story:4:1: this [if] has no [end if] before the section ends"}},
        {"StrayEndIfAndOtherwise",
         "== s\n[end if]\n[otherwise]\n[end]\n",
         {"m.story:4:1: [end if] closes an [if], and there is none open",
          "m.story:5:1: [otherwise] stands between an [if] and its [end if], once"}},
        {"LineAmongOptions",
         "== s\n* a -> s\n[if paid]\n* b -> s\nlost\n[end if]\n",
         {"m.story:7:1: the [if] at line 5 holds options, and options only; end it with [end if] "
          "first"}},
        {"VisitsToNowhere",
         "== s\n[if visits to hagle = 1]\nx\n[end if]\n== haggle\n[end]\n",
         {"m.story:4:1: no section named \"hagle\"; did you mean \"haggle\"?"}},
        {"BadChange",
         "== s\n[add coins]\n[subtract -1 from coins]\n[end]\n",
         {"m.story:4:1: a change is written [set coins to 3], [set paid on], [set paid off], [add "
          "1 to coins] or [subtract 1 from coins]",
          "m.story:5:1: a change is written [set coins to 3], [set paid on], [set paid off], [add "
          "1 to coins] or [subtract 1 from coins]"}},
        {"BadComparison",
         "== s\n[if coins => 2]\nx\n[end if]\n[end]\n",
         {"m.story:4:1: \"=>\" is no comparison; use =, !=, <, <=, > or >="}},
        {"DeclarationMistakes",
         "number: coins = 1 (0 to 3)\nnumber: lives = 9 (0 to 5)\nnumber: a b = 1 (0 to 1)\n"
         "flag: lit = maybe\nnumber: ok = 1\n== s\n[end]\n",
         {"m.story:3:1: \"coins\" is already declared, at line 1",
          "m.story:4:1: \"lives\" starts at 9, outside its range 0 to 5",
          "m.story:5:1: \"a b\" cannot name a value: a name is one word, such as coins or "
          "kept_coin",
          "m.story:6:1: write a flag as \"flag: paid = off\" (or on)",
          "m.story:7:1: write a number as \"number: coins = 3 (0 to 5)\", its starting value and "
          "the range it keeps to"}},
        {"UnclosedBrace",
         "== s\nYou have {coins.\n[end]\n",
         {"m.story:4:1: braces show a number, as in \"{coins} coins\"; each \"{\" needs a \"}\""}},
    };
    for (const ReaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(errorsOf(settings + c.body), c.errors);
    }
}

// Braces and bracketed words in a story without memory mean what they always meant.
TEST(MemoryReader, StoriesWithoutValuesReadAsBefore) {
    const StoryFile file = read("== s\nA {curly} line.\n[end]\n");
    ASSERT_NE(file.story, nullptr);
    EXPECT_TRUE(file.story->values().empty());
    PlaySupport::Play play(*file.story);
    ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
    EXPECT_EQ(play.fed, std::vector<std::string>{"A {curly} line."});
}

// Kana and a combining sound mark, as some editors save them, are read as the one character.
TEST(MemoryReader, DecomposedKanaReadWhole) {
    const StoryFile file = read("== s\n"
                                "\xE3\x81\x8B\xE3\x82\x99\xE3\x83\x8F\xE3\x82\x9A\n" // か゛ハ゜
                                "* \xE3\x81\x86\xE3\x82\x99 -> s\n"                  // う゛
                                "[end]\n");
    ASSERT_NE(file.story, nullptr) << describe(file.errors.front());
    PlaySupport::Play play(*file.story);
    ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
    EXPECT_EQ(play.fed.front(), "がパ");
    EXPECT_EQ(optionLabels(play.state.cursor.remaining), std::vector<std::string_view>{"1: ゔ"});
}

// One small story with every feature: keys pressed, then what the player has read and is offered.
const std::string shop = "number: coins = 2 (0 to 3)\n"
                         "flag: warned = off\n"
                         "== shop\n"
                         "[if visits to shop = 1]\n"
                         "Welcome.\n"
                         "[otherwise]\n"
                         "Back again.\n"
                         "[end if]\n"
                         "You have {coins} coins.\n"
                         "[if coins >= 1]\n"
                         "* Buy -> buy\n"
                         "[end if]\n"
                         "* Ask about the road -> road (once)\n"
                         "* Leave with {coins} -> leave\n"
                         "== buy\n"
                         "[subtract 1 from coins]\n"
                         "Sold.\n"
                         "* Back -> shop\n"
                         "== road\n"
                         "[set warned on]\n"
                         "Wolves.\n"
                         "* Back -> shop\n"
                         "== leave\n"
                         "[if warned]\n"
                         "You take the long way.\n"
                         "[end if]\n"
                         "[if warned]\n"
                         "[otherwise]\n"
                         "You take the road.\n"
                         "[end if]\n"
                         "Bye.\n"
                         "[end]\n";

struct PlayCase {
    const char* name;
    std::vector<TGInput> choices;
    std::vector<std::string> lastFed; // what the last run of spaces showed
    std::vector<std::string> offered; // offered at the end, if a choice is pending
    bool over = false;
};

TEST(MemoryInterpreter, PlaysEachFeature) {
    const StoryFile file = read(shop);
    ASSERT_NE(file.story, nullptr) << describe(file.errors.front());
    using enum TGInput;
    const std::vector<PlayCase> cases{
        {"Start",
         {},
         {"Welcome.", "You have 2 coins.", ""},
         {"1: Buy", "2: Ask about the road", "3: Leave with 2"}},
        {"BuyOnce",
         {SelectFirst, SelectFirst},
         {"Back again.", "You have 1 coins.", ""},
         {"1: Buy", "2: Ask about the road", "3: Leave with 1"}},
        {"BuyingTwiceLeavesNoCoin",
         {SelectFirst, SelectFirst, SelectFirst, SelectFirst},
         {"Back again.", "You have 0 coins.", ""},
         {"1: Ask about the road", "2: Leave with 0"}},
        {"AskedOnce",
         {SelectSecond, SelectFirst},
         {"Back again.", "You have 2 coins.", ""},
         {"1: Buy", "2: Leave with 2"}},
        {"WarnedLeave",
         {SelectSecond, SelectFirst, SelectSecond},
         {"You take the long way.", "Bye."},
         {},
         true},
        {"PlainLeave", {SelectThird}, {"You take the road.", "Bye."}, {}, true},
    };
    for (const PlayCase& c : cases) {
        SCOPED_TRACE(c.name);
        PlaySupport::Play play(*file.story);
        ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
        std::size_t from = 0;
        for (const TGInput choice : c.choices) {
            ASSERT_NO_FATAL_FAILURE(play.select(choice));
            from = play.fed.size();
            ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
        }
        EXPECT_EQ(play.fedFrom(from), c.lastFed);
        EXPECT_EQ(offeredLabels(play.state), c.offered);
        EXPECT_EQ(play.state.gameOver, c.over);
    }
}

// A key beyond the offered options, or any input that does not apply, leaves the state as it is.
TEST(MemoryInterpreter, KeysBeyondTheOfferedChangeNothing) {
    const StoryFile file = read(shop);
    ASSERT_NE(file.story, nullptr);
    PlaySupport::Play play(*file.story);
    ASSERT_NO_FATAL_FAILURE(play.feedUntilStop());
    for (const TGInput key : {TGInput::SelectSecond, TGInput::SelectFirst, TGInput::SelectFirst,
                              TGInput::SelectFirst, TGInput::SelectFirst, TGInput::SelectFirst}) {
        play.state = update(key, play.state);
        play.feedUntilStop();
    }
    // Asked, bought twice: only Leave is left, on key 1.
    ASSERT_EQ(offeredLabels(play.state), std::vector<std::string>{"1: Leave with 0"});
    EXPECT_EQ(update(TGInput::SelectSecond, play.state), play.state);
    EXPECT_EQ(update(TGInput::SelectThird, play.state), play.state);
    EXPECT_EQ(update(TGInput::TextFeed, play.state), play.state);
}

std::vector<std::string> describedWalk(const StoryFile& file, const Playthroughs& walked) {
    std::vector<std::string> lines;
    for (const Finding& finding : walked.findings) {
        lines.push_back(describe(finding, file.source));
    }
    return lines;
}

// Planted faults, each found with the shortest keys that show it.
TEST(MemoryCheck, FindsEachPlantedFaultWithItsKeys) {
    const StoryFile file = read("number: coins = 2 (0 to 2)\n"
                                "number: never = 0 (0 to 1)\n"
                                "flag: lonely = off\n"
                                "== market\n"
                                "You have {coins}.\n"
                                "[if coins >= 1]\n"
                                "* Buy -> buy\n"
                                "[end if]\n"
                                "[if coins > 5]\n"
                                "* Gold -> leave\n"
                                "[end if]\n"
                                "[if never = 1]\n"
                                "* Secret -> leave\n"
                                "[end if]\n"
                                "* Leave -> leave\n"
                                "[set lonely on]\n"
                                "== buy\n"
                                "[subtract 1 from coins]\n"
                                "[if coins = 0]\n"
                                "* Credit -> credit\n"
                                "[otherwise]\n"
                                "* Back -> market\n"
                                "[end if]\n"
                                "== credit\n"
                                "[subtract 1 from coins]\n"
                                "No.\n"
                                "* Again -> credit\n"
                                "== leave\n"
                                "Bye.\n"
                                "[end]\n");
    ASSERT_NE(file.story, nullptr) << describe(file.errors.front());
    const Playthroughs walked = explorePlaythroughs(*file.story, nullptr);
    EXPECT_TRUE(walked.complete);
    EXPECT_EQ(describedWalk(file, walked),
              (std::vector<std::string>{
                  "m.story:2: number \"never\" is read but never set",
                  "m.story:3: flag \"lonely\" is set but never read",
                  "m.story:10: section \"market\": option \"Gold\" is offered in no playthrough",
                  "m.story:13: section \"market\": option \"Secret\" is offered in no playthrough",
                  "m.story:16: section \"market\": no playthrough makes this change",
                  "m.story:20: section \"buy\": a trap: no ending can be reached from here (with "
                  "coins 0, never 0, lonely off); keys: space ×2, 1 ×2, space ×2, 1",
                  "m.story:25: section \"credit\": number \"coins\" would be -1, outside its "
                  "range 0 to 2, and stays 0; keys: space ×2, 1 ×2, space ×2, 1 ×2",
              }));
}

// The trap's keys, replayed on the interpreter, lead where the finding says, and from there no
// key ever ends the game.
TEST(MemoryCheck, TrapKeysReplayOnTheInterpreter) {
    const StoryFile file = read("number: coins = 1 (0 to 1)\n"
                                "== market\n"
                                "Coins: {coins}.\n"
                                "[if coins >= 1]\n"
                                "* Buy -> buy\n"
                                "[end if]\n"
                                "* Leave -> leave\n"
                                "== buy\n"
                                "[subtract 1 from coins]\n"
                                "Sold.\n"
                                "* Haggle -> buy\n"
                                "== leave\n"
                                "Bye.\n"
                                "[end]\n");
    ASSERT_NE(file.story, nullptr);
    const Playthroughs walked = explorePlaythroughs(*file.story, nullptr);
    const auto found =
        std::find_if(walked.findings.begin(), walked.findings.end(),
                     [](const Finding& f) { return f.message.starts_with("a trap"); });
    ASSERT_NE(found, walked.findings.end());
    const Finding& trap = *found;
    EngineState state = initialEngineState(*file.story);
    for (const TGInput key : trap.keys) {
        const EngineState next = update(key, state);
        ASSERT_NE(next, state) << "every key of the sequence does something";
        state = next;
    }
    EXPECT_EQ(listIndex(state.cursor.remaining.list), trap.sequence);
    EXPECT_EQ(state.cursor.remaining.offset + 1, trap.element);
    for (int step = 0; step < 50; ++step) {
        for (const TGInput key : {TGInput::TextFeed, TGInput::SelectFirst, TGInput::SelectSecond,
                                  TGInput::SelectThird}) {
            EXPECT_FALSE(update(key, state).gameOver);
        }
        state = update(state.cursor.mode == Mode::Choose ? TGInput::SelectFirst : TGInput::TextFeed,
                       state);
    }
}

TEST(MemoryCheck, TooManyOffersAndTheBoundAreReported) {
    const StoryFile file = read("number: n = 0 (0 to 1000)\n"
                                "== s\n"
                                "x\n"
                                "* a -> up\n"
                                "[if n >= 2]\n"
                                "* d -> done\n"
                                "[end if]\n"
                                "* b -> up\n"
                                "* c -> up\n"
                                "== up\n"
                                "[if n < 2]\n"
                                "[add 1 to n]\n"
                                "[end if]\n"
                                "* again -> s\n"
                                "== done\n"
                                "y\n"
                                "[end]\n");
    ASSERT_NE(file.story, nullptr);
    const Playthroughs whole = explorePlaythroughs(*file.story, nullptr);
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(describedWalk(file, whole),
              std::vector<std::string>{
                  "m.story:4: section \"s\": 4 options offered at once, but keys 1 to 3 take only "
                  "the first three (with n 2); keys: space ×2, 1 ×2, space ×2, 1 ×2, space ×2"});
    const Playthroughs cut = explorePlaythroughs(*file.story, nullptr, 5);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.states, 5u);
    EXPECT_EQ(keyNames(std::vector<TGInput>(30, TGInput::TextFeed)), "space ×30");
    std::vector<TGInput> zigzag;
    for (int i = 0; i < 30; ++i) {
        zigzag.push_back(i % 2 == 0 ? TGInput::TextFeed : TGInput::SelectFirst);
    }
    EXPECT_TRUE(keyNames(zigzag).ends_with(", … (30 keys in all)"));
}

// Lines and pages measured as shown: a value at its widest, a page with every line its
// conditions let in; a numbered option measured with the number it is shown with.
TEST(MemoryCheck, MeasuresWhatIsShown) {
    const StoryFile file = read("number: n = 0 (0 to 100000)\n"
                                "== s\n"
                                "Coins: {n}\n"
                                "[if n >= 100]\n"
                                "Rich.\n"
                                "Very rich.\n"
                                "[end if]\n"
                                "* Earn -> earn\n"
                                "[if n = 0]\n"
                                "* Stop here for good -> end\n"
                                "[end if]\n"
                                "== earn\n"
                                "[add 100000 to n]\n"
                                "* Back with {n} -> s\n"
                                "== end\n"
                                "Bye.\n"
                                "[end]\n");
    ASSERT_NE(file.story, nullptr);
    const TextFit fit{[](std::string_view run) { return static_cast<int>(run.size()) * 8; }, 16,
                      100, 48, 32};
    // What shows values is measured on the playthroughs alone, not as written.
    EXPECT_EQ(checkFit(*file.story, fit), std::vector<Finding>{});
    EXPECT_EQ(describedWalk(file, explorePlaythroughs(*file.story, &fit)),
              (std::vector<std::string>{
                  "m.story:3: section \"s\": line is 104 px, the panel is 100, shown as "
                  "\"Coins: 100000\"; keys: space ×2, 1 ×2, space",
                  "m.story:8: section \"s\": option \"2: Stop here for good\" is 168 px, the "
                  "panel is 100; keys: space ×2",
                  // The rich lines and the empty line of the options that follow them.
                  "m.story:8: section \"s\": page is 64 px, the panel is 48; keys: space ×2, 1 ×2, "
                  "space ×4",
                  "m.story:13: section \"earn\": number \"n\" would be 200000, outside its range "
                  "0 to 100000, and stays 100000; keys: space ×2, 1 ×2, space ×4, 1",
                  "m.story:14: section \"earn\": option \"1: Back with 100000\" is 152 px, the "
                  "panel is 100; keys: space ×2, 1",
                  "m.story:14: section \"earn\": a trap: no ending can be reached from here (with "
                  "n 100000); keys: space ×2, 1"}));
}

} // namespace
