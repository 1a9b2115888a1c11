// The game's story in the game's own font and panels, through the same checks an author runs: every
// line and page fits, and the font draws every character (gorubadon-story check runs them too, as
// the test story_check; here they run in-process, with the fit's measures asserted).
#include "framework/sdl_handles.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"
#include "writer/story_check.hpp"
#include "writer/story_findings.hpp"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace Framework;
using namespace Engine;
using namespace Game;

TEST(StoryFit, TheGamesStoryFitsAndTheFontHoldsEveryCharacter) {
    ASSERT_EQ(TTF_Init(), 0);
    {
        const FontPtr font(TTF_OpenFontIndex(Config::look.fontPath, Config::look.fontPointSize, 0));
        ASSERT_NE(font, nullptr) << "run from the repository root, where data/ is";
        const TextFit fit = fontFit(font.get(), Config::look, 0);
        // Every sequence is played, so every character checked is one a player sees.
        const std::vector<bool> reached = reachableSequences(storyScript());
        EXPECT_EQ(std::count(reached.begin() + 1, reached.end(), true), 4);
        EXPECT_TRUE(fit.hasGlyph(U'勝'));
        EXPECT_FALSE(fit.hasGlyph(U'\U0001F600')) << "beyond what SDL_ttf can ask the font for";
        std::vector<std::string> found;
        for (const Finding& finding : checkFit(storyScript(), fit)) {
            found.push_back(describe(finding));
        }
        EXPECT_EQ(found, std::vector<std::string>{});
    }
    TTF_Quit();
}

} // namespace
