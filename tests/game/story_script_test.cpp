#include "game/story_script.hpp"

#include "engine/interpreter.hpp"
#include "play_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {
using namespace Engine;
using namespace Game;
} // namespace

// Every allocation of this executable goes through here, so a test can tell whether a stretch of
// play allocated anything.
namespace {
std::atomic<std::size_t> allocations{0};

void* allocate(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* allocateAligned(std::size_t size, std::align_val_t align) {
    ++allocations;
    const auto a = static_cast<std::size_t>(align);
    // aligned_alloc wants a multiple of the alignment.
    if (void* p = std::aligned_alloc(a, (size + a - 1) / a * a)) {
        return p;
    }
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void* operator new(std::size_t size, std::align_val_t align) {
    return allocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return allocateAligned(size, align);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

const std::vector<std::string_view> throwLabels{"１：グー", "２：チョキ", "３：パー"};

// The game's story, checking the labels of every choice it offers.
struct Play : PlaySupport::Play {
    Play() : PlaySupport::Play(storyScript()) {}
    void select(TGInput input) {
        ASSERT_EQ(optionLabels(state.cursor.remaining), throwLabels);
        PlaySupport::Play::select(input);
    }
};

const std::vector<std::string> opening{
    "突如、あなたの目の前に謎の男が\n立ちはだかり、叫んだ。",
    "「そこのお前！」",
    "「俺と勝負だ！」",
    "「ザンけん、」",
    "", // reaching the selector writes an empty line
};

TEST(StoryScript, RockLosesOnTheDefeatCaption) {
    Play play;
    play.feedUntilStop();
    EXPECT_EQ(play.fed, opening);
    play.select(TGInput::SelectFirst);
    play.feedUntilStop();

    const std::vector<std::string> rock = play.fedFrom(opening.size());
    ASSERT_EQ(rock.size(), 6u);
    EXPECT_EQ(rock.front(), "あなたはグーを出す事にした。");
    // ASCII parentheses, and one ASCII space opening the third line.
    EXPECT_EQ(rock[1],
              "謎の男はブツブツ呟いている。\n(これは……グーを出す気配ッ！\n ならば、俺はこの……)");
    EXPECT_EQ(rock.back(), "(敗北エンド)");
    EXPECT_EQ(play.overAfterFeed, play.fed.size()) << "over exactly when the caption is fed";
    EXPECT_TRUE(std::holds_alternative<ScenarioEventGameEnd>(
        nextElement(play.state.cursor.remaining).head));
}

TEST(StoryScript, PaperWinsWithOnePageClear) {
    Play play;
    play.feedUntilStop();
    play.select(TGInput::SelectThird);
    play.feedUntilStop();

    const std::vector<std::string> paper = play.fedFrom(opening.size());
    ASSERT_EQ(paper.size(), 10u);
    EXPECT_EQ(paper[0], "あなたはパーを出す事にした。");
    EXPECT_EQ(
        paper[1],
        "謎の男はブツブツ呟いている。\n(なんだこの威圧的なオーラは！\n しかし俺は負けぬっ！)");
    EXPECT_EQ(paper[3], "謎の男『ザンバルド』(仮名)は\n殴りかかってきた！");
    EXPECT_EQ(paper[4], "*cls*");
    EXPECT_EQ(paper[5],
              "あなたは手のひらで、\n『ザンバルド』のパンチを受け止め、\nそのまま握り潰した。");
    EXPECT_EQ(std::count(play.fed.begin(), play.fed.end(), "*cls*"), 1);
    EXPECT_EQ(paper.back(), "(勝利エンド)");
    EXPECT_EQ(play.overAfterFeed, play.fed.size());
}

TEST(StoryScript, TiesRepeatUntilPaperWins) {
    Play play;
    play.feedUntilStop();
    const std::vector<std::string> scissors{"あなたはチョキを出す事にした。",
                                            "「俺はチョキだ！」",
                                            "「お前もチョキか！」",
                                            "「やるな！！」",
                                            "「ザンけん、」",
                                            ""};
    for (int tie = 0; tie < 1000; ++tie) {
        const std::size_t before = play.fed.size();
        play.select(TGInput::SelectSecond);
        play.feedUntilStop();
        ASSERT_FALSE(play.state.gameOver);
        ASSERT_EQ(play.fedFrom(before), scissors) << "tie " << tie;
    }
    play.select(TGInput::SelectThird);
    play.feedUntilStop();
    EXPECT_EQ(play.fed.back(), "(勝利エンド)");
    EXPECT_TRUE(play.state.gameOver);
}

TEST(StoryScript, AMillionTiesAllocateNothing) {
    Play play;
    play.feedUntilStop();
    const EngineState choosing = play.state;

    const std::size_t control = allocations.load();
    (void)std::make_unique<int>(0);
    ASSERT_GT(allocations.load(), control) << "the counter must see allocations";

    const std::size_t before = allocations.load();
    EngineState state = choosing;
    std::size_t textBytes = 0;
    for (int tie = 0; tie < 1'000'000; ++tie) {
        state = update(TGInput::SelectSecond, state);
        while (state.cursor.mode == Mode::Normal) {
            textBytes += feedText(state.cursor.remaining).size();
            state = update(TGInput::TextFeed, state);
        }
    }
    const std::size_t allocated = allocations.load() - before;

    EXPECT_EQ(allocated, 0u);
    EXPECT_GT(textBytes, 0u);
    // Back at the same selector, so the state has not grown either.
    EXPECT_EQ(state.cursor.mode, Mode::Choose);
    EXPECT_EQ(optionLabels(state.cursor.remaining), throwLabels);
    EXPECT_FALSE(state.gameOver);
}

TEST(StoryScript, BothSelectorsShareTheThreeBranches) {
    const Story& story = storyScript();
    EXPECT_EQ(&storyScript(), &story) << "built once";

    const auto selectorAtEnd = [](ScenarioList list) {
        const std::span<const Scenario> rest = remainingElements(list);
        return std::get<ScenarioSelector>(rest.back());
    };
    const std::span<const SelectorOption> first = story.options(selectorAtEnd(story.start()));
    const ListId scissors = secondOption(first).branch;
    const std::span<const SelectorOption> second =
        story.options(selectorAtEnd(story.list(scissors)));
    EXPECT_TRUE(std::ranges::equal(first, second));
    EXPECT_NE(firstOption(first).branch, thirdOption(first).branch);
    EXPECT_NE(firstOption(first).branch, scissors);
}

} // namespace
