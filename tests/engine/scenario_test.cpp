#include "engine/scenario.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Engine;

const Scenario noneElement{ScenarioEventNone{}};

TEST(NextElement, EmptyListGivesNoneAndStaysEmpty) {
    StoryBuilder b;
    const ListId only = b.add({ScenarioText{"a"}});
    const Story story = std::move(b).build(only);

    const ScenarioList positions[] = {ScenarioList{}, story.list(ListId{}),
                                      nextElement(story.start()).tail};
    for (const ScenarioList& empty : positions) {
        const auto [head, tail] = nextElement(empty);
        EXPECT_EQ(head, noneElement);
        EXPECT_TRUE(isEmpty(tail));
        EXPECT_EQ(tail, empty);
        EXPECT_EQ(nextElement(tail).head, noneElement);
    }
}

TEST(NextElement, HeadIsTheStoryElementNotACopy) {
    StoryBuilder b;
    const ListId only = b.add({ScenarioText{"a"}});
    const Story story = std::move(b).build(only);
    EXPECT_EQ(&nextElement(story.start()).head, story.elements(only).data());
}

TEST(Options, PickByPositionOrEmpty) {
    const std::vector<SelectorOption> three{
        {"one", ListId{1}}, {"two", ListId{2}}, {"3", ListId{3}}};
    struct Case {
        const char* name;
        std::size_t count;
        const SelectorOption& (*pick)(std::span<const SelectorOption>) noexcept;
        const SelectorOption* expected; // nullptr: emptyOption
    };
    const Case cases[] = {
        {"FirstOfNone", 0, firstOption, nullptr},    {"SecondOfNone", 0, secondOption, nullptr},
        {"ThirdOfNone", 0, thirdOption, nullptr},    {"FirstOfOne", 1, firstOption, &three[0]},
        {"SecondOfOne", 1, secondOption, nullptr},   {"ThirdOfTwo", 2, thirdOption, nullptr},
        {"SecondOfTwo", 2, secondOption, &three[1]}, {"ThirdOfThree", 3, thirdOption, &three[2]},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SelectorOption& got = c.pick(std::span(three).first(c.count));
        EXPECT_EQ(got, c.expected != nullptr ? *c.expected : SelectorOption{});
    }
    EXPECT_EQ(emptyOption(), (SelectorOption{"", ListId{}}));
}

class HeadText : public testing::Test {
  protected:
    // Members are initialised in this order, so the story is built from the lists above it.
    StoryBuilder b;
    ListId branch = b.add({ScenarioText{"branch"}});
    ScenarioSelector selector{{{"１：はい", branch}, {"２：いいえ", ListId{}}}};
    ListId textThenAskId = b.add({ScenarioText{"本文\n二行目"}, selector});
    ListId askFirstId = b.add({selector, ScenarioText{"after"}});
    ListId eventsId = b.add({ScenarioEventNone{}, ScenarioEventGameEnd{}});
    // Options handed over apart from their selector, which names them from 0 on.
    ListId givenApartId = [this] {
        const ListId id = b.declare();
        const std::uint32_t starts[] = {0};
        ScenarioSelector apart;
        apart.optionCount = 2;
        b.define(id, {apart}, starts, {{"given", branch}, {"apart", ListId{}}});
        return id;
    }();
    Story story = std::move(b).build(textThenAskId);

    ScenarioList textThenAsk = story.start();
    ScenarioList ask = nextElement(textThenAsk).tail;
    ScenarioList askFirst = story.list(askFirstId);
    ScenarioList none = story.list(eventsId);
    ScenarioList gameEnd = nextElement(none).tail;
    ScenarioList exhausted = nextElement(gameEnd).tail;
    ScenarioList givenApart = story.list(givenApartId);
};

TEST_F(HeadText, FeedTextOnlyForTextAtTheHead) {
    struct Case {
        const char* name;
        ScenarioList list;
        std::string_view expected;
    };
    const Case cases[] = {
        {"Text", textThenAsk, "本文\n二行目"},
        {"Selector", ask, ""},
        {"SelectorFirst", askFirst, ""},
        {"EventNone", none, ""},
        {"GameEnd", gameEnd, ""},
        {"Exhausted", exhausted, ""},
        {"NoStory", ScenarioList{}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(feedText(c.list), c.expected);
    }
}

TEST_F(HeadText, OptionLabelsOnlyForSelectorAtTheHead) {
    const std::vector<std::string_view> labels{"１：はい", "２：いいえ"};
    struct Case {
        const char* name;
        ScenarioList list;
        std::vector<std::string_view> expected;
    };
    const Case cases[] = {
        {"TextBeforeSelector", textThenAsk, {}},
        {"Selector", ask, labels},
        {"SelectorFirst", askFirst, labels},
        {"OptionsGivenApart", givenApart, {"given", "apart"}},
        {"EventNone", none, {}},
        {"Exhausted", exhausted, {}},
        {"NoStory", ScenarioList{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(optionLabels(c.list), c.expected);
    }
}

// Counts the ones alive; the copy made while `copiesLeft` is 0 throws.
struct Counted {
    static inline int alive = 0;
    static inline int copiesLeft = 1000;
    int n = 0;
    explicit Counted(int value) : n(value) { ++alive; }
    Counted(const Counted& other) : n(other.n) {
        if (copiesLeft-- == 0) {
            throw std::runtime_error("copy");
        }
        ++alive;
    }
    Counted(Counted&& other) noexcept : n(other.n) { ++alive; }
    Counted& operator=(const Counted&) = delete;
    ~Counted() { --alive; }
    friend bool operator==(const Counted& a, const Counted& b) { return a.n == b.n; }
};

std::vector<int> numbers(const SmallArray<Counted>& a) {
    std::vector<int> out;
    for (const Counted& c : a) {
        out.push_back(c.n);
    }
    return out;
}

TEST(SmallArray, HoldsWhatItIsGivenAndLetsGoOfIt) {
    {
        SmallArray<Counted> a{Counted{1}, Counted{2}};
        for (int i = 3; i <= 9; ++i) {
            a.push_back(Counted{i}); // grows past every capacity on the way
        }
        const SmallArray<Counted> copy = a;
        a.back().n = 90;
        EXPECT_EQ(numbers(a), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 90}));
        EXPECT_EQ(numbers(copy), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
        EXPECT_FALSE(a == copy);
        SmallArray<Counted> moved = std::move(a);
        EXPECT_TRUE(a.empty()); // a move leaves it empty
        EXPECT_EQ(moved.size(), 9U);
        moved = copy;
        EXPECT_TRUE(moved == copy);
        EXPECT_EQ(std::span<const Counted>(moved).size(), 9U);
        EXPECT_EQ(Counted::alive, 18);
    }
    EXPECT_EQ(Counted::alive, 0);
    const SmallArray<Counted> three{Counted{1}, Counted{2}, Counted{3}};
    Counted::copiesLeft = 1;
    EXPECT_THROW(static_cast<void>(SmallArray<Counted>(three)), std::runtime_error);
    Counted::copiesLeft = 1000;
    EXPECT_EQ(Counted::alive, 3); // the half-made copy left none behind
    EXPECT_TRUE(SmallArray<int>{} == SmallArray<int>{});
    EXPECT_FALSE(SmallArray<int>{} == SmallArray<int>{0});
}

// Held in place up to 15 bytes, on the heap beyond: either way the same text, copied, moved and
// continued alike.
TEST(StoryString, HoldsAnyTextShortOrLong) {
    for (const std::string& text :
         {std::string(), std::string("a\0b", 3), std::string(15, 'x'), std::string(16, 'y'),
          std::string(300, 'z') + "\n\xE3\x81\x82"}) {
        const StoryString held(text);
        EXPECT_EQ(held.view(), text);
        EXPECT_EQ(held.size(), text.size());
        StoryString copy = held;
        EXPECT_TRUE(copy == held);
        StoryString moved = std::move(copy);
        EXPECT_EQ(moved, text);
        EXPECT_TRUE(copy.empty()); // a move leaves it empty
        StoryString grown = held;
        grown += '\n';
        grown += text;
        EXPECT_EQ(grown, text + "\n" + text);
        EXPECT_EQ(held, text) << "continuing a copy leaves the original";
        moved = StoryString("other");
        EXPECT_EQ(moved, "other");
        EXPECT_FALSE(held == "other");
    }
}

TEST(StoryBuilder, RejectsBrokenStructure) {
    struct Case {
        const char* name;
        void (*write)();
    };
    const Case cases[] = {
        {"WrittenTwice",
         [] {
             StoryBuilder b;
             const ListId a = b.add({ScenarioText{"a"}});
             b.define(a, {ScenarioText{"again"}});
         }},
        {"WriteTheEmptyList", [] { StoryBuilder{}.define(ListId{}, {ScenarioText{"a"}}); }},
        {"WriteUndeclared", [] { StoryBuilder{}.define(ListId{7}, {ScenarioText{"a"}}); }},
        {"OptionToUnknownList",
         [] {
             StoryBuilder b;
             const ListId opening = b.add({ScenarioSelector{{{"lost", ListId{42}}}}});
             (void)std::move(b).build(opening);
         }},
        {"OptionsOfAnotherBuilder",
         [] {
             StoryBuilder b;
             ScenarioSelector elsewhere;
             elsewhere.optionCount = 1;
             (void)std::move(b).build(b.add({elsewhere}));
         }},
        {"OptionsBeyondThoseGiven",
         [] {
             StoryBuilder b;
             const std::uint32_t starts[] = {0};
             ScenarioSelector beyond;
             beyond.firstOption = 1;
             beyond.optionCount = 1;
             b.define(b.declare(), {beyond}, starts, {{"only", ListId{}}});
         }},
        {"UnknownOpening", [] { (void)StoryBuilder{}.build(ListId{3}); }},
        {"ManyAtOnceOutOfOrder",
         [] {
             StoryBuilder b;
             const ListId first = b.declare();
             (void)b.declare();
             const std::uint32_t starts[] = {1, 0};
             b.define(first, {ScenarioText{"a"}, ScenarioText{"b"}}, starts);
         }},
        {"ManyAtOnceBeyondTheDeclared",
         [] {
             StoryBuilder b;
             const std::uint32_t starts[] = {0, 1};
             b.define(b.declare(), {ScenarioText{"a"}, ScenarioText{"b"}}, starts);
         }},
        {"BuiltTwice",
         [] {
             StoryBuilder b;
             const ListId opening = b.add({ScenarioText{"a"}});
             const Story first = std::move(b).build(opening);
             (void)std::move(b).build(opening);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(c.write(), std::logic_error);
    }
}

} // namespace
