#include "engine/interpreter.hpp"

#include "play_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Engine;

using PlaySupport::feedAll;

constexpr std::array allInputs{TGInput::InputNone,  TGInput::HeartBeat,   TGInput::TGQuit,
                               TGInput::TextFeed,   TGInput::SelectFirst, TGInput::SelectSecond,
                               TGInput::SelectThird};
constexpr std::array selects{TGInput::SelectFirst, TGInput::SelectSecond, TGInput::SelectThird};

enum class Head { Text, None, GameEnd, Selector, Exhausted };
constexpr std::array allHeads{Head::Text, Head::None, Head::GameEnd, Head::Selector,
                              Head::Exhausted};

// Every kind of head element, each followed by a text so that the look-ahead stays quiet, and a
// three-option selector whose branches start with a text, a selector and the game end.
class Interpreter : public testing::Test {
  protected:
    StoryBuilder b;
    ListId textBranch = b.add({ScenarioText{"branch text"}, ScenarioText{"more"}});
    ListId selectorBranch =
        b.add({ScenarioSelector{{{"inner", textBranch}}}, ScenarioText{"after inner"}});
    ListId endBranch = b.add({ScenarioEventGameEnd{}});
    ScenarioSelector ask{{{"1", textBranch}, {"2", selectorBranch}, {"3", endBranch}}};
    ListId textHead = b.add({ScenarioText{"text"}, ScenarioText{"after"}});
    ListId noneHead = b.add({ScenarioEventNone{}, ScenarioText{"after"}});
    ListId endHead = b.add({ScenarioEventGameEnd{}, ScenarioText{"after"}});
    ListId selectorHead = b.add({ask, ScenarioText{"after"}});
    Story story = std::move(b).build(textHead);

    [[nodiscard]] ScenarioList listWith(Head head) const {
        switch (head) {
        case Head::Text:
            return story.list(textHead);
        case Head::None:
            return story.list(noneHead);
        case Head::GameEnd:
            return story.list(endHead);
        case Head::Selector:
            return story.list(selectorHead);
        case Head::Exhausted:
            break;
        }
        // The end of a list, not ListId{}: an exhausted story keeps its place.
        return ScenarioList{&story, textHead, 2};
    }

    [[nodiscard]] EngineState stateWith(Head head, Mode mode, bool over) const {
        return EngineState{over, StoryCursor{mode, listWith(head)}, 5};
    }
};

enum class Outcome {
    Same,
    Beat,
    Quit,
    Consume,
    ConsumeEnd,
    Reach,
    TakeFirst,
    TakeSecond,
    TakeThird
};

// A decision table: the first row that matches decides. Empty lists and nullopt match anything.
struct Rule {
    const char* name;
    std::vector<TGInput> inputs;
    std::optional<Mode> mode;
    std::optional<bool> over;
    std::vector<Head> heads;
    Outcome outcome;
};

template <typename T>
bool matches(const std::vector<T>& allowed, T value) {
    return allowed.empty() || std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

template <typename T>
bool matches(const std::optional<T>& allowed, T value) {
    return !allowed || *allowed == value;
}

const std::vector<TGInput> selectInputs(selects.begin(), selects.end());
const std::vector<Head> notSelector{Head::Text, Head::None, Head::GameEnd, Head::Exhausted};

const std::vector<Rule> rules{
    {"GameOverFreezesEverything", {}, {}, true, {}, Outcome::Same},
    {"InputNoneDoesNothing", {TGInput::InputNone}, {}, {}, {}, Outcome::Same},
    {"HeartBeatCounts", {TGInput::HeartBeat}, {}, {}, {}, Outcome::Beat},
    {"QuitKeepsModeAndPlace", {TGInput::TGQuit}, {}, {}, {}, Outcome::Quit},
    {"FeedWaitsForAnOption", {TGInput::TextFeed}, Mode::Choose, {}, {}, Outcome::Same},
    {"FeedConsumes",
     {TGInput::TextFeed},
     Mode::Normal,
     {},
     {Head::Text, Head::None},
     Outcome::Consume},
    {"FeedConsumesTheEnd",
     {TGInput::TextFeed},
     Mode::Normal,
     {},
     {Head::GameEnd},
     Outcome::ConsumeEnd},
    {"FeedReachesSelector",
     {TGInput::TextFeed},
     Mode::Normal,
     {},
     {Head::Selector},
     Outcome::Reach},
    {"FeedPastTheEnd", {TGInput::TextFeed}, Mode::Normal, {}, {Head::Exhausted}, Outcome::Same},
    {"SelectWhileReading", selectInputs, Mode::Normal, {}, {}, Outcome::Same},
    {"SelectFirstTakesText", {TGInput::SelectFirst}, {}, {}, {Head::Selector}, Outcome::TakeFirst},
    {"SelectSecondTakesSelector",
     {TGInput::SelectSecond},
     {},
     {},
     {Head::Selector},
     Outcome::TakeSecond},
    {"SelectThirdTakesGameEnd",
     {TGInput::SelectThird},
     {},
     {},
     {Head::Selector},
     Outcome::TakeThird},
    {"SelectWithoutSelector", selectInputs, Mode::Choose, {}, notSelector, Outcome::Same},
};

TEST_F(Interpreter, UpdateFollowsTheTableForEveryInputModeAndHead) {
    std::vector<int> used(rules.size(), 0);
    for (const TGInput input : allInputs) {
        for (const Mode mode : {Mode::Normal, Mode::Choose}) {
            for (const bool over : {false, true}) {
                for (const Head head : allHeads) {
                    const EngineState before = stateWith(head, mode, over);
                    const auto rule = std::find_if(rules.begin(), rules.end(), [&](const Rule& r) {
                        return matches(r.inputs, input) && matches(r.mode, mode) &&
                               matches(r.over, over) && matches(r.heads, head);
                    });
                    const std::string where = "input " + std::to_string(static_cast<int>(input)) +
                                              ", mode " + std::to_string(static_cast<int>(mode)) +
                                              ", over " + std::to_string(over) + ", head " +
                                              std::to_string(static_cast<int>(head));
                    SCOPED_TRACE(where);
                    ASSERT_NE(rule, rules.end()) << "no row covers this case";
                    SCOPED_TRACE(rule->name);
                    ++used[static_cast<std::size_t>(rule - rules.begin())];

                    EngineState expected = before;
                    const ScenarioList tail = nextElement(before.cursor.remaining).tail;
                    switch (rule->outcome) {
                    case Outcome::Same:
                        break;
                    case Outcome::Beat:
                        expected.heartBeats = 6;
                        break;
                    case Outcome::Quit:
                        expected.gameOver = true;
                        break;
                    case Outcome::Consume:
                        expected.cursor.remaining = tail;
                        break;
                    case Outcome::ConsumeEnd:
                        expected.cursor.remaining = tail;
                        expected.gameOver = true;
                        break;
                    case Outcome::Reach:
                        expected.cursor.mode = Mode::Choose;
                        break;
                    case Outcome::TakeFirst:
                        expected.cursor = {Mode::Normal, story.list(textBranch)};
                        break;
                    case Outcome::TakeSecond:
                        expected.cursor = {Mode::Choose, story.list(selectorBranch)};
                        break;
                    case Outcome::TakeThird:
                        expected.cursor = {Mode::Normal, story.list(endBranch)};
                        break;
                    }
                    EXPECT_EQ(update(input, before), expected);
                }
            }
        }
    }
    for (std::size_t i = 0; i < rules.size(); ++i) {
        EXPECT_GT(used[i], 0) << rules[i].name << " never applies";
    }
}

TEST_F(Interpreter, LastTextBeforeTheEndAlreadyEndsTheGame) {
    StoryBuilder sb;
    const ListId opening = sb.add({ScenarioText{"A"}, ScenarioEventGameEnd{}});
    const Story twoElements = std::move(sb).build(opening);
    const EngineState start = initialEngineState(twoElements);
    ASSERT_FALSE(start.gameOver);
    EXPECT_EQ(feedText(start.cursor.remaining), "A");

    const EngineState over = update(TGInput::TextFeed, start);
    EXPECT_TRUE(textGame.isOver(over));
    EXPECT_EQ(over.cursor.remaining, nextElement(start.cursor.remaining).tail);
    for (const TGInput input : allInputs) {
        EXPECT_EQ(update(input, over), over);
    }
}

TEST_F(Interpreter, ExhaustedStoryFeedsNoneForever) {
    StoryBuilder sb;
    const ListId opening = sb.add({ScenarioText{"only"}});
    const Story oneText = std::move(sb).build(opening);
    const EngineState after = update(TGInput::TextFeed, initialEngineState(oneText));
    ASSERT_TRUE(isEmpty(after.cursor.remaining));
    EXPECT_EQ(nextElement(after.cursor.remaining).head, Scenario{ScenarioEventNone{}});
    EXPECT_EQ(feedAll(after, 1000), after);
    EXPECT_FALSE(feedAll(after, 1000).gameOver);
}

TEST_F(Interpreter, ReachingSelectorKeepsItAtTheHead) {
    StoryBuilder sb;
    const ListId branch = sb.add({ScenarioText{"taken"}});
    const ListId opening = sb.add({ScenarioText{"ask"}, ScenarioSelector{{{"1", branch}}}});
    const Story asking = std::move(sb).build(opening);

    EXPECT_TRUE(optionLabels(initialEngineState(asking).cursor.remaining).empty());
    const EngineState reading = update(TGInput::TextFeed, initialEngineState(asking));
    // The selector is next but not reached: Normal until the feed that reaches it.
    EXPECT_EQ(reading.cursor.mode, Mode::Normal);
    const EngineState choosing = update(TGInput::TextFeed, reading);
    EXPECT_EQ(choosing.cursor, (StoryCursor{Mode::Choose, reading.cursor.remaining}));
    EXPECT_EQ(optionLabels(choosing.cursor.remaining), std::vector<std::string_view>{"1"});
    EXPECT_EQ(feedText(update(TGInput::SelectFirst, choosing).cursor.remaining), "taken");
}

TEST_F(Interpreter, MissingOptionOrEmptyBranchChangesNothing) {
    StoryBuilder sb;
    const ListId branch = sb.add({ScenarioText{"taken"}});
    const ListId hollow = sb.add({});
    const ListId opening =
        sb.add({ScenarioSelector{{{"1", branch}, {"2", ListId{}}}}, ScenarioText{"x"}});
    const ListId thirdHollow =
        sb.add({ScenarioSelector{{{"1", branch}, {"2", branch}, {"3", hollow}}}});
    const Story twoOptions = std::move(sb).build(opening);

    const EngineState waiting = update(TGInput::TextFeed, initialEngineState(twoOptions));
    ASSERT_EQ(waiting.cursor.mode, Mode::Choose);
    EXPECT_EQ(update(TGInput::SelectThird, waiting), waiting);
    EXPECT_EQ(update(TGInput::SelectSecond, waiting), waiting);
    EXPECT_EQ(update(TGInput::SelectFirst, waiting).cursor,
              (StoryCursor{Mode::Normal, twoOptions.list(branch)}));

    const EngineState hollowThird{false, {Mode::Choose, twoOptions.list(thirdHollow)}, 0};
    EXPECT_EQ(update(TGInput::SelectThird, hollowThird), hollowThird);
}

TEST_F(Interpreter, SelectorFollowedByGameEndLeavesNoOption) {
    StoryBuilder sb;
    const ListId branch = sb.add({ScenarioText{"never"}});
    const ListId opening = sb.add({ScenarioSelector{{{"1", branch}}}, ScenarioEventGameEnd{}});
    const Story story2 = std::move(sb).build(opening);

    const EngineState reached = update(TGInput::TextFeed, initialEngineState(story2));
    EXPECT_EQ(reached.cursor.mode, Mode::Choose);
    EXPECT_TRUE(reached.gameOver);
    EXPECT_EQ(update(TGInput::SelectFirst, reached), reached);
    EXPECT_EQ(choose(firstOption, reached), reached);
}

TEST_F(Interpreter, QuitAndHeartBeat) {
    const EngineState choosing = stateWith(Head::Selector, Mode::Choose, false);
    const EngineState quit = update(TGInput::TGQuit, choosing);
    EXPECT_TRUE(quit.gameOver);
    EXPECT_EQ(quit.cursor, choosing.cursor);
    EXPECT_EQ(update(TGInput::HeartBeat, quit).heartBeats, 5);

    EngineState last = choosing;
    last.heartBeats = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(update(TGInput::HeartBeat, last), last);
}

TEST_F(Interpreter, ChooseDoesNotConsumeTheBranchHead) {
    const EngineState choosing = stateWith(Head::Selector, Mode::Choose, false);

    // A branch starting with the game end: nothing ends until it is fed.
    const EngineState toEnd = update(TGInput::SelectThird, choosing);
    EXPECT_EQ(toEnd.cursor, (StoryCursor{Mode::Normal, story.list(endBranch)}));
    EXPECT_FALSE(toEnd.gameOver);
    const EngineState ended = update(TGInput::TextFeed, toEnd);
    EXPECT_TRUE(ended.gameOver);
    EXPECT_EQ(ended.cursor.mode, Mode::Normal);

    // A branch starting with a selector: pending at once, and its options apply.
    const EngineState inner = update(TGInput::SelectSecond, choosing);
    EXPECT_EQ(inner.cursor.mode, Mode::Choose);
    EXPECT_EQ(optionLabels(inner.cursor.remaining), std::vector<std::string_view>{"inner"});
    EXPECT_EQ(update(TGInput::TextFeed, inner), inner);
    EXPECT_EQ(feedText(update(TGInput::SelectFirst, inner).cursor.remaining), "branch text");
}

TEST_F(Interpreter, BranchBackToItsOwnSelectorStaysInPlace) {
    StoryBuilder sb;
    const ListId loop = sb.declare();
    sb.define(loop, {ScenarioText{"again"}, ScenarioSelector{{{"loop", loop}}}});
    const Story looping = std::move(sb).build(loop);

    const EngineState first = feedAll(initialEngineState(looping), 2);
    ASSERT_EQ(first.cursor.mode, Mode::Choose);
    EngineState state = first;
    for (int round = 0; round < 1000; ++round) {
        state = feedAll(update(TGInput::SelectFirst, state), 2);
        ASSERT_EQ(state, first);
    }
}

// From every consistent start, long runs of arbitrary inputs: gameOver never turns back, an ended
// game never changes, and Choose always waits on a selector. Each run is played a second time after
// all the others: the same inputs give the same states, so update keeps nothing between calls.
TEST_F(Interpreter, RandomRunsKeepTheInvariants) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> pick(0, allInputs.size() - 1);
    struct Run {
        EngineState start;
        std::vector<TGInput> inputs;
        EngineState end;
    };
    std::vector<Run> runs;
    for (const Head head : allHeads) {
        for (int run = 0; run < 50; ++run) {
            Run r{stateWith(head, head == Head::Selector ? Mode::Choose : Mode::Normal, false),
                  {},
                  {}};
            EngineState state = r.start;
            for (int step = 0; step < 200; ++step) {
                const TGInput input = allInputs[pick(random)];
                const EngineState next = update(input, state);
                ASSERT_TRUE(!state.gameOver || next == state);
                ASSERT_TRUE(next.heartBeats >= state.heartBeats);
                ASSERT_TRUE(next.cursor.mode == Mode::Normal ||
                            std::holds_alternative<ScenarioSelector>(
                                nextElement(next.cursor.remaining).head));
                r.inputs.push_back(input);
                state = next;
            }
            r.end = state;
            runs.push_back(std::move(r));
        }
    }
    for (const Run& r : runs) {
        EngineState state = r.start;
        for (const TGInput input : r.inputs) {
            state = textGame.update(input, state);
        }
        ASSERT_EQ(state, r.end);
    }
}

} // namespace
