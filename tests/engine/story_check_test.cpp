// One small broken story per finding or reader error, each expecting its exact message and, where
// the map marks the fault, its mark there; a sound story has no finding. Stories come from C++ or
// from a story file's text, and the file's errors and findings name its lines.
#include "engine/story_file.hpp"
#include "writer/story_check.hpp"
#include "writer/story_map.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Engine;

// Ten pixels a byte, four lines to a page, four option lines to the choices panel; no snowman.
const TextFit fit{[](std::string_view run) { return static_cast<int>(run.size()) * 10; },
                  16,
                  100,
                  64,
                  64,
                  [](char32_t c) { return c != U'☃' && c != U'ø'; }};

using T = ScenarioText;
using End = ScenarioEventGameEnd;
using Ask = ScenarioSelector;
using Sequences = std::vector<std::vector<Scenario>>;

// Sequence n of a case is ListId n: the builder numbers them in the order they are declared.
constexpr ListId to(std::uint32_t n) {
    return listAt(n);
}

struct Case {
    const char* name;
    Sequences sequences; // the first is the opening; empty for a case from a file
    std::vector<std::string> findings;
    std::string onMap{};        // how the map shows the fault, where it does
    const char* file = nullptr; // the text of t.story, read instead of the sequences
    std::size_t unwritten = 0;  // declared after the sequences and never written
};

// Conditions on options and lines, which the map shows as written.
const char* const memoryMap = "number: coins = 2 (0 to 3)\n"
                              "flag: paid = off\n"
                              "== a\n"
                              "[if visits to a >= 2]\n"
                              "Back.\n"
                              "[otherwise]\n"
                              "First.\n"
                              "[end if]\n"
                              "[if coins >= 2 and not paid]\n"
                              "* Pay -> b\n"
                              "[end if]\n"
                              "* Ask -> b (once)\n"
                              "* Go -> b\n"
                              "== b\n"
                              "[if paid and coins = 1]\n"
                              "[otherwise]\n"
                              "Poor.\n"
                              "[end if]\n"
                              "[set paid on]\n"
                              "[subtract 1 from coins]\n"
                              "* Back -> a\n"
                              "* Stay -> b\n";

const std::vector<Case> cases{
    {"Sound",
     {{T{"1234567890"}, ScenarioEventNone{}, Ask{{{"1: again", to(1)}, {"2: win", to(2)}}}},
      {T{"a\nb"}, T{"c\nd"}, T{"*cls*"}, T{"won"}, End{}}},
     {},
     "s1 -> s1 [label=\"1: again\"]"},
    {"Unreachable",
     {{T{"a"}, End{}}, {T{"lost"}, End{}}},
     {"section 2: no option leads here from the opening"},
     "s2 [label=\"section 2\\nlost\", style=\"rounded,dashed\""},
    {"DeclaredNeverWritten",
     {{Ask{{{"1", to(2)}}}}},
     {"section 1, element 1: option 1 \"1\" leads to section 2, which is empty",
      "section 1, element 1: no option here leads to an ending",
      "section 2: declared but never written"},
     "s1 -> s1_nothing1",
     nullptr,
     1},
    {"OptionToNoSequence",
     {{Ask{{{"1", to(2)}, {"2: x", ListId{}}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: option 2 \"2: x\" leads to no section"},
     "s1 -> s1_nothing2 [label=\"2: x\", color=red]"},
    {"OptionToEmptySequence",
     {{Ask{{{"1", to(2)}, {"2", to(3)}}}}, {T{"end"}, End{}}, {}},
     {"section 1, element 1: option 2 \"2\" leads to section 3, which is empty"},
     "s1 -> s1_nothing2"},
    {"LoopWithNoWayOut",
     {{T{"round"}, Ask{{{"1", to(1)}}}}},
     {"section 1, element 2: no option here leads to an ending"},
     "s1 -> s1 [label=\"1\"]"},
    {"RunsOut",
     {{T{"a"}, T{"b"}}},
     {"section 1, element 2: the story runs out here without an ending"},
     "s1 -> s1_out"},
    {"MoreOptionsThanKeys",
     {{Ask{{{"1", to(2)}, {"2", to(2)}, {"3", to(2)}, {"4", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: 4 options, but keys 1 to 3 take only the first three"},
     "s1 -> s2 [label=\"4\", style=dotted"},
    {"OptionsOutOfOrder",
     {{Ask{{{"2: swim", to(2)}, {"1: pay", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: option 1 \"2: swim\" is numbered 2, but key 1 takes it",
      "section 1, element 1: option 2 \"1: pay\" is numbered 1, but key 2 takes it"}},
    {"OptionNumbersRepeatedOrMissing",
     {{Ask{{{"１：a", to(2)}, {"１：b", to(2)}, {"c", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: option 2 \"１：b\" repeats number 1; key 2 takes it",
      "section 1, element 1: option 3 \"c\" has no number, unlike the others; key 3 takes it"}},
    {"EmptyLabel",
     {{Ask{{{"a", to(2)}, {" ", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: option 2 has an empty label, but key 2 still takes it"}},
    {"PageClearShownAsText",
     {{T{"*CLS*"}, T{"*cls* "}, T{"ok"}, End{}}},
     {"section 1, element 1: \"*CLS*\" is shown as text; only \"*cls*\" exactly clears the page",
      "section 1, element 2: \"*cls* \" is shown as text; only \"*cls*\" exactly clears the page"}},
    {"EndingOnABlankPage",
     {{T{"bye"}, T{"*cls*"}, ScenarioEventNone{}, End{}}},
     {"section 1, element 4: the game ends on a blank page: no text since the page was cleared"}},
    {"TextAfterTheEnd",
     {{T{"a"}, End{}, T{"lost"}}},
     {"section 1, element 3: never shown: the game ends at element 2"},
     "s1_end [label=\"a\", shape=doubleoctagon"},
    {"TextAfterASelector",
     {{Ask{{{"1", to(2)}}}, T{"lost"}}, {T{"end"}, End{}}},
     {"section 1, element 2: never shown: the options at element 1 leave this section"}},
    {"EndRightAfterASelector",
     {{Ask{{{"1", to(1)}}}, End{}}},
     {"section 1, element 1: the game end right after this selector ends the game before an "
      "option can be taken"},
     "s1 -> s1_end"},
    {"LineTooWide",
     {{T{"short\n12345678901"}, End{}}},
     {"section 1, element 1: line is 110 px, the panel is 100"}},
    {"LabelTooWide",
     {{Ask{{{"1", to(2)}, {"2: 12345678", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: option 2 is 110 px, the panel is 100"}},
    {"OptionsTooTall",
     {{Ask{{{"1\nx\ny", to(2)}, {"2\nx", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: the options take 80 px, the choices panel is 64"}},
    {"PageTooTall",
     {{T{"a\nb"}, T{"c"}, ScenarioEventNone{}, T{"e"}, End{}}},
     {"section 1, element 4: page is 80 px, the panel is 64"}},
    {"GlyphsMissing",
     {{T{"☃ø☃"}, Ask{{{"1: ø", to(2)}}}}, {T{"end"}, End{}}},
     {"section 1, element 1: the font has no \"☃\" (U+2603), \"ø\" (U+00F8), which show as an "
      "empty box",
      "section 1, element 2: the font has no \"ø\" (U+00F8), which shows as an empty box"}},

    {"MapOptionCondition",
     {},
     {},
     "s1 -> s2 [label=\"Pay\\n[if coins >= 2 and not paid]\"]",
     memoryMap},
    {"MapOptionOnce", {}, {}, "s1 -> s2 [label=\"Ask\\n(once)\"]", memoryMap},
    {"MapLineConditions",
     {},
     {},
     "s1 [label=\"a\\n[if visits to a >= 2] Back.\\n[if visits to a < 2] First.\"]",
     memoryMap},
    {"MapOtherwiseOfSeveralTests",
     {},
     {},
     "s2 [label=\"b\\n[if not (paid and coins = 1)] Poor.\"]",
     memoryMap},

    // Story files: every part of the format, and each mistake a writer makes in it.
    {"FileSound",
     {},
     {},
     "s2 -> s2 [label=\"１：go\"]",
     "# a comment\n"
     "title: T\n"
     "numbering: １：\n"
     "keep place: yes\n"
     "== start\n"
     "  first\n"
     "| second\n"
     "[new page]\n"
     "[empty line]\n"
     "\\* no\n"
     "* Loop -> loop\n"
     "\n"
     "* Win -> won\n"
     "== loop ==\n"
     "round\n"
     "* go -> loop\n"
     "* win -> won\n"
     "| at last\n"
     "=== won\n"
     "won\n"
     "[end]\n"},
    {"FileUnreachableNamesLine",
     {},
     {"t.story:4: section \"lost\": no option leads here from the opening"},
     "s2 [label=\"lost\\nlost\", style=\"rounded,dashed\"",
     "== start\na\n[end]\n== lost\nlost\n[end]\n"},
    {"FileFindingsNameLines",
     {},
     {"t.story:3: section \"s\": option 2 \"2: b\" leads to section \"e\", which is empty",
      "t.story:5: section \"s\": never shown: the options at line 2 leave this section",
      "t.story:8: section \"w\": the game ends on a blank page: no text since the page was "
      "cleared"},
     {},
     "== s\n"
     "* a -> w\n"
     "* b -> e\n"
     "\n"
     "lost\n"
     "== w\n"
     "*cls*\n"
     "[end]\n"
     "== e\n"},
    {"FileUnknownSection",
     {},
     {"t.story:3:13: no section named \"hagle\"; did you mean \"haggle\"?",
      "t.story:4:9: no section named \"elsewhere\"", "t.story:5:9: no section named \"nowhere\"",
      "t.story:6:8: no section named \"\xE3\x81\x8C\xE3\x81\x8D\""},
     {},
     "== start\n"
     "* Pay -> haggle \t\r\n"
     "* Haggle -> hagle\n"
     "* Go -> elsewhere\n"
     "* \xE3\x81\x82\xE3\x81\x82 -> nowhere\r\n"
     "* \xE3\x81\x8B\xE3\x82\x99 -> \xE3\x81\x8B\xE3\x82\x99\xE3\x81\x8D\n"
     "== haggle\n"
     "x\n"
     "* Back -> start "},
    {"FileSettingsAndText",
     {},
     {"t.story:2:1: no setting named \"titel\"; did you mean \"title\"? (the settings are "
      "title, picture, numbering and keep place)",
      "t.story:3:1: \"picture\" is already set, at line 1",
      "t.story:4:1: numbering shows how option 1 is numbered, such as \"1:\" or \"１：\", or is "
      "\"none\"",
      "t.story:5:1: no setting named \"keep plac\"; did you mean \"keep place\"? (the settings "
      "are title, picture, numbering and keep place)",
      "t.story:6:1: keep place is \"yes\" or \"no\"",
      "t.story:7:1: \"keep place\" is already set, at line 6",
      "t.story:8:1: the story's text starts in a section; write a line \"== name\" above it"},
     {},
     "picture: a.png\ntitel: x\n"
     "picture: b.png\n"
     "numbering: 12\n"
     "keep plac: yes\n"
     "keep place: always\n"
     "keep place: yes\n"
     "Once upon a time\n"
     "== s\n"
     "x\n"
     "[end]\n"},
    {"FileLineMistakes",
     {},
     {"t.story:2:1: a line starting with \"|\" continues the text or option just above it, and "
      "there is none",
      "t.story:3:1: no command \"[nd]\"; did you mean \"[end]\"? (a line in square brackets is "
      "[new page], [empty line] or [end]; write \"\\[nd]\" to show it as text)",
      "t.story:4:8: an option needs \"-> section\" after its label, naming the section it leads "
      "to",
      "t.story:5:3: an option needs a label, the text the player sees, before \"->\"",
      "t.story:6:1: a section needs a name after \"==\"",
      "t.story:7:1: there is already a section named \"s\", at line 1",
      "t.story:8:3: a tab inside a line cannot be shown; use spaces",
      "t.story:9:2: this is not UTF-8 text; save the file as UTF-8"},
     {},
     "== s\n"
     "| more\n"
     "[nd]\n"
     "* Pay s\n"
     "* -> s\n"
     "== ==\n"
     "== s\n"
     "ab\tc\n"
     "é\xff\n"},
    {"FileJoinedWritten",
     {},
     {"t.story:2:1: a byte order mark (U+FEFF), which starts a file, stands inside this one, as "
      "where two files were joined; delete it",
      "t.story:3:3: options are numbered for you, in the order written: write \"* Pay\", or "
      "\"numbering: none\" to show the labels as written",
      "t.story:4:3: options are numbered for you, in the order written: write \"* Walk\", or "
      "\"numbering: none\" to show the labels as written",
      "t.story:5:1: \"title\" is a setting, and settings stand before the first section; move it "
      "up, or write \"\\title: Two\" to show it as text",
      "t.story:6:1: no command \"[END]\"; did you mean \"[end]\"? (a line in square brackets is "
      "[new page], [empty line] or [end]; write \"\\[END]\" to show it as text)",
      "t.story:7:2: a combining sound mark (U+3099) that joins no kana before it; write the "
      "character whole"},
     {},
     "== s\n"
     "\xEF\xBB\xBF== t\n"
     "* 2: Pay -> s\n"
     "* (3) Walk -> s\n"
     "title: Two\n"
     "[END]\n"
     "あ\xE3\x82\x99\n"},
    {"FileUtf16",
     {},
     {"t.story:1:1: this file is UTF-16 text; save it as UTF-8"},
     {},
     "\xFF\xFE=\x00=\x00"},
    {"FileOldMacLines",
     {},
     {"t.story:1:1: the lines of this file end in a carriage return alone, as old Mac files did; "
      "save it with ordinary line ends (LF or CR LF)"},
     {},
     "== s\rx\r[end]\r"},
    {"FileWithoutSection",
     {},
     {"t.story:1:1: the story has no section yet; start one with a line \"== name\""},
     {},
     "# only a comment\n"},
};

TEST(StoryCheck, EachBrokenStoryGivesItsFinding) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> found;
        std::unique_ptr<const Story> built;
        StorySource source;
        if (c.file != nullptr) {
            StoryFile file = readStory(c.file, "t.story");
            for (const StoryFileError& error : file.errors) {
                found.push_back(describe(error));
            }
            ASSERT_EQ(file.story == nullptr, !file.errors.empty());
            built = std::move(file.story);
            source = std::move(file.source);
        } else {
            StoryBuilder b;
            for (std::size_t i = 0; i < c.sequences.size() + c.unwritten; ++i) {
                static_cast<void>(b.declare());
            }
            for (std::size_t i = 0; i < c.sequences.size(); ++i) {
                b.define(to(static_cast<std::uint32_t>(i + 1)), c.sequences[i]);
            }
            built.reset(new Story(std::move(b).build(to(1))));
        }
        if (built != nullptr) {
            for (const std::vector<Finding>& list :
                 {checkShape(*built, source), checkFit(*built, fit)}) {
                for (const Finding& finding : list) {
                    found.push_back(describe(finding, source));
                }
            }
        }
        EXPECT_EQ(found, c.findings);
        if (!c.onMap.empty()) {
            ASSERT_NE(built, nullptr);
            std::ostringstream map;
            writeStoryMap(*built, map, source);
            EXPECT_NE(map.str().find(c.onMap), std::string::npos) << map.str();
        }
    }
}

// What each line of a file becomes: texts joined by "|", the numbering written before each label,
// sections in the order written with the first as the opening.
TEST(StoryFile, ReadsToTheStoryTheBuilderMakes) {
    const auto sound = std::find_if(cases.begin(), cases.end(), [](const Case& c) {
        return c.name == std::string("FileSound");
    });
    const StoryFile file = readStory(sound->file, "t.story");
    ASSERT_NE(file.story, nullptr);
    EXPECT_EQ(file.title, "T");
    EXPECT_TRUE(file.keepPlace);
    for (const auto& [settings, kept] :
         {std::pair{"keep place: no\n", false}, {"", false}, {"  keep place :  yes \n", true}}) {
        const std::string text = std::string(settings) + "== s\nx\n[end]\n";
        EXPECT_EQ(readStory(text, "t.story").keepPlace, kept) << settings;
    }
    StoryBuilder b;
    const ListId start = b.declare();
    const ListId loop = b.declare();
    const ListId won = b.declare();
    b.define(start, {T{"first\nsecond"}, T{"*cls*"}, ScenarioEventNone{}, T{"* no"},
                     Ask{{{"１：Loop", loop}, {"２：Win", won}}}});
    b.define(loop, {T{"round"}, Ask{{{"１：go", loop}, {"２：win\nat last", won}}}});
    b.define(won, {T{"won"}, End{}});
    const Story expected = std::move(b).build(start);
    EXPECT_TRUE(*file.story == expected);

    // The same, the last section written alone and the others at once after it.
    StoryBuilder many;
    const ListId first = many.declare();
    const ListId second = many.declare();
    const ListId third = many.declare();
    many.define(third, {T{"won"}, End{}});
    const std::uint32_t starts[] = {0, 5};
    many.define(first,
                {T{"first\nsecond"}, T{"*cls*"}, ScenarioEventNone{}, T{"* no"},
                 Ask{{{"１：Loop", second}, {"２：Win", third}}}, T{"round"},
                 Ask{{{"１：go", second}, {"２：win\nat last", third}}}},
                starts);
    EXPECT_TRUE(*file.story == std::move(many).build(first));

    // The same with the options handed over apart from their selectors; a label changed is not.
    for (const auto& [last, same] : {std::pair{"２：win\nat last", true}, {"２：win", false}}) {
        StoryBuilder apart;
        const ListId one = apart.declare();
        const ListId two = apart.declare();
        const ListId three = apart.declare();
        const std::uint32_t at[] = {0, 5, 7};
        apart.define(one,
                     {T{"first\nsecond"}, T{"*cls*"}, ScenarioEventNone{}, T{"* no"}, Ask{{}, 0, 2},
                      T{"round"}, Ask{{}, 2, 2}, T{"won"}, End{}},
                     at, {{"１：Loop", two}, {"２：Win", three}, {"１：go", two}, {last, three}});
        EXPECT_EQ(*file.story == std::move(apart).build(one), same) << last;
    }

    StoryBuilder other;
    const ListId alone = other.add({T{"first"}});
    EXPECT_FALSE(*file.story == std::move(other).build(alone));
}

// Lines starting with "|" join the text or label above, however long it grows, and each keeps its
// own lines when another is continued after it.
TEST(StoryFile, ContinuedLinesJoinTheirTextOrLabel) {
    struct Case {
        std::string file;
        std::vector<std::string> texts; // of the opening, in order
        std::vector<std::string> labels;
    };
    const std::string longLine(40, 'w');
    const std::vector<Case> cases{
        {"== s\nshort\n| and then much longer\n| and more\n[end]\n",
         {"short\nand then much longer\nand more"},
         {}},
        {("== s\nfirst\n| " + longLine + "\n* go -> s\n| on\n| " + longLine + "\n* stay -> s\n"),
         {"first\n" + longLine},
         {"1: go\non\n" + longLine, "2: stay"}},
        {"== s\na\n| b\nc\n| d\n* x -> t\n| y\n== t\ne\n| f\n[end]\n",
         {"a\nb", "c\nd"},
         {"1: x\ny"}},
    };
    for (const Case& c : cases) {
        const StoryFile file = readStory(c.file, "t.story");
        ASSERT_NE(file.story, nullptr) << c.file;
        std::vector<std::string> texts;
        std::vector<std::string> labels;
        for (const Scenario& element : file.story->elements(listAt(1))) {
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                texts.push_back(text->text.str());
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                for (const SelectorOption& option : file.story->options(*selector)) {
                    labels.push_back(option.label.str());
                }
            }
        }
        EXPECT_EQ(texts, c.texts) << c.file;
        EXPECT_EQ(labels, c.labels) << c.file;
    }
}

// Where each section, element and option was written, a section's visit count (placed before its
// first element) on the section's own line.
TEST(StoryFile, KnowsWhereEachPartWasWritten) {
    const StoryFile file = readStory("number: n = 0 (0 to 2)\n"
                                     "== a\n"
                                     "Hello.\n"
                                     "* Go -> b\n"
                                     "* Stay -> a\n"
                                     "== b\n"
                                     "[if visits to a >= 2]\n"
                                     "Twice {n}.\n"
                                     "[end if]\n"
                                     "[end]\n",
                                     "t.story");
    ASSERT_NE(file.story, nullptr) << describe(file.errors.front());
    struct Case {
        std::size_t section, element, option, line;
    };
    const Case cases[] = {{1, 0, 0, 2},  {1, 1, 0, 2}, {1, 2, 0, 3}, {1, 3, 0, 4},
                          {1, 3, 2, 5},  {1, 3, 3, 4}, {2, 1, 0, 7}, {2, 2, 0, 8},
                          {2, 3, 0, 10}, {2, 4, 0, 0}, {3, 0, 0, 0}, {3, 1, 1, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(sourceLine(file.source, c.section, c.element, c.option), c.line)
            << c.section << "." << c.element << "." << c.option;
    }
    EXPECT_EQ(sectionName(file.source, 2), "section \"b\"");
    EXPECT_EQ(sectionName(file.source, 3), "section 3");
    EXPECT_EQ(sectionIndex(file.source, "b"), 2u);
    EXPECT_EQ(sectionIndex(file.source, "c"), 0u);
    EXPECT_THROW((void)file.source.sections.at(3), std::out_of_range);
}

// How a fed line fills the page, as the frame writes it: "\r" goes back over the same line and
// is measured as two runs.
TEST(Page, FedLinesFillItAndThePageClearEmptiesIt) {
    struct Case {
        int before;
        std::string_view shown;
        int after;
        int widest;
    };
    const Case cases[] = {{0, "", 1, 0},       {2, "ab", 3, 20},  {0, "a\nbcd", 2, 30},
                          {1, "ab\rc", 2, 20}, {0, "a\n", 2, 10}, {3, "*cls*", 0, 50},
                          {0, "*cls* ", 1, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(fed(Page{c.before}, c.shown), Page{c.after});
        EXPECT_EQ(widestRun(c.shown, fit), c.widest);
    }
    EXPECT_EQ(choicesLines({"1: a", "2: b\nc"}), 3);
    EXPECT_EQ(choicesText({"1: a", "2: b"}), "1: a\n2: b\n");
    EXPECT_TRUE(tooTall(5, fit, 64));
    EXPECT_FALSE(tooTall(4, fit, 64));
}

} // namespace
