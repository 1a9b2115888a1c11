#include "engine/keymap.hpp"
#include "engine/story_stage.hpp"

#include "tests/framework/test_events.hpp"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using namespace Engine;

using TestEvents::keyDown;
using TestEvents::ofType;

struct Situation {
    const char* name;
    Mode mode;
    bool gameOver;
};
constexpr std::array situations{
    Situation{"Reading", Mode::Normal, false}, Situation{"Choosing", Mode::Choose, false},
    Situation{"OverReading", Mode::Normal, true}, Situation{"OverChoosing", Mode::Choose, true}};

TEST(KeyTable, KeysInEverySituation) {
    using K = KeyOutcome;
    struct Case {
        const char* name;
        SDLKey key;
        Uint16 typed; // the translated character
        // Reading, Choosing, OverReading, OverChoosing.
        std::array<KeyOutcome, 4> expected;
    };
    constexpr std::array nothing{K::Nothing, K::Nothing, K::Nothing, K::Nothing};
    const auto selects = [](K k) { return std::array{K::Nothing, k, K::Nothing, k}; };
    const Case cases[] = {
        {"Space", SDLK_SPACE, u' ', {K::Feed, K::Nothing, K::EndLoop, K::EndLoop}},
        {"One", SDLK_1, u'1', selects(K::SelectFirst)},
        {"Two", SDLK_2, 0, selects(K::SelectSecond)},
        {"ThreeTypingHash", SDLK_3, u'#', selects(K::SelectThird)},
        // Layouts with the digits on Shift: French &/1, é/2 and "/3.
        {"AmpersandTypingOne", SDLK_AMPERSAND, u'1', selects(K::SelectFirst)},
        {"EAcuteTypingTwo", SDLK_WORLD_73, u'2', selects(K::SelectSecond)},
        {"QuoteTypingThree", SDLK_QUOTEDBL, u'3', selects(K::SelectThird)},
        {"AmpersandAlone", SDLK_AMPERSAND, u'&', nothing},
        {"Four", SDLK_4, u'4', nothing},
        {"KeypadOne", SDLK_KP1, u'1', nothing},
        {"KeypadTwo", SDLK_KP2, 0, nothing},
        {"Return", SDLK_RETURN, u'\r', nothing},
        {"F4Alone", SDLK_F4, 0, nothing},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < situations.size(); ++i) {
            SCOPED_TRACE(std::string(c.name) + " " + situations[i].name);
            EXPECT_EQ(readKey(keyDown(c.key, KMOD_NONE, c.typed), situations[i].mode,
                              situations[i].gameOver),
                      c.expected[i]);
        }
    }
}

TEST(KeyTable, AltF4NeedsExactlyOneAltKey) {
    constexpr std::array others{KMOD_LSHIFT, KMOD_RSHIFT, KMOD_LCTRL, KMOD_RCTRL, KMOD_LMETA,
                                KMOD_RMETA,  KMOD_NUM,    KMOD_CAPS,  KMOD_MODE};
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.name);
        for (const SDLMod alt : {KMOD_LALT, KMOD_RALT}) {
            const SDLMod otherAlt = alt == KMOD_LALT ? KMOD_RALT : KMOD_LALT;
            SCOPED_TRACE(alt == KMOD_LALT ? "left Alt" : "right Alt");
            EXPECT_EQ(readKey(keyDown(SDLK_F4, alt), s.mode, s.gameOver), KeyOutcome::EndLoop);
            // KMOD_RESERVED and the unused bits between the Shift and Ctrl flags do not count.
            EXPECT_EQ(readKey(keyDown(SDLK_F4, alt | KMOD_RESERVED), s.mode, s.gameOver),
                      KeyOutcome::EndLoop);
            EXPECT_EQ(
                readKey(keyDown(SDLK_F4, alt | 0x4u | 0x8u | 0x10u | 0x20u), s.mode, s.gameOver),
                KeyOutcome::EndLoop);
            EXPECT_EQ(readKey(keyDown(SDLK_F4, alt | otherAlt), s.mode, s.gameOver),
                      KeyOutcome::Nothing);
            for (const SDLMod other : others) {
                SCOPED_TRACE(static_cast<unsigned>(other));
                EXPECT_EQ(readKey(keyDown(SDLK_F4, alt | other), s.mode, s.gameOver),
                          KeyOutcome::Nothing);
            }
            // Alt with another key is just that key.
            EXPECT_EQ(readKey(keyDown(SDLK_F5, alt), s.mode, s.gameOver), KeyOutcome::Nothing);
        }
        EXPECT_EQ(readKey(keyDown(SDLK_F4, KMOD_RESERVED), s.mode, s.gameOver),
                  KeyOutcome::Nothing);
    }
}

TEST(KeyTable, OnlyKeyDownAndQuitCount) {
    for (const Situation& s : situations) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(readKey(ofType(SDL_QUIT), s.mode, s.gameOver), KeyOutcome::EndLoop);
        EXPECT_EQ(readKey(ofType(SDL_MOUSEMOTION), s.mode, s.gameOver), KeyOutcome::Nothing);

        // A key-up carrying the keysym of a space, a 1 or Alt+F4 is ignored.
        for (const SDL_Event& down :
             {keyDown(SDLK_SPACE), keyDown(SDLK_1), keyDown(SDLK_F4, KMOD_LALT)}) {
            SDL_Event up = down;
            up.type = SDL_KEYUP;
            up.key.type = SDL_KEYUP;
            up.key.state = SDL_RELEASED;
            EXPECT_EQ(readKey(up, s.mode, s.gameOver), KeyOutcome::Nothing);
        }
    }
}

TEST(KeyTable, StateOverloadReadsModeAndGameOver) {
    const EngineState reading{};
    EngineState choosing{};
    choosing.cursor.mode = Mode::Choose;
    EngineState over = choosing;
    over.gameOver = true;
    EXPECT_EQ(readKey(keyDown(SDLK_SPACE), reading), KeyOutcome::Feed);
    EXPECT_EQ(readKey(keyDown(SDLK_SPACE), choosing), KeyOutcome::Nothing);
    EXPECT_EQ(readKey(keyDown(SDLK_SPACE), over), KeyOutcome::EndLoop);
    EXPECT_EQ(readKey(keyDown(SDLK_2), choosing), KeyOutcome::SelectSecond);
}

// The keys a page keeps for its reader: written a character each, read back up to the first
// character that is none, and only the keys that moved the story kept at all.
TEST(KeptKeys, WrittenAndReadBack) {
    using enum KeyOutcome;
    const struct {
        const char* text;
        std::vector<KeyOutcome> keys;
    } cases[] = {
        {"", {}},
        {"..1.23", {Feed, Feed, SelectFirst, Feed, SelectSecond, SelectThird}},
        {".2\n", {Feed, SelectSecond}},
        {".4.", {Feed}},
        {"x..", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(keysFromText(c.text), c.keys);
        EXPECT_EQ(keysFromText(keysText(c.keys)), c.keys);
    }
    EXPECT_EQ(keysText({Feed, Nothing, EndLoop, SelectThird}), ".3");

    const EngineState before{};
    EngineState after = before;
    after.gameOver = true;
    EXPECT_TRUE(replayable(Feed, before, before));
    EXPECT_TRUE(replayable(SelectFirst, before, after));
    EXPECT_FALSE(replayable(SelectFirst, before, before));
    EXPECT_FALSE(replayable(Nothing, before, after));
}

} // namespace
