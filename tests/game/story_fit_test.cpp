// The font the game ships draws every character of the story. Whether the text fits the panels is
// the story check's (gorubadon-story check, run as the test story_check).
#include "framework/sdl_handles.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

class StoryFit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(TTF_Init(), 0);
        font = TTF_OpenFontIndex(config::look.fontPath, config::look.fontPointSize, 0);
        ASSERT_NE(font, nullptr) << "run from the repository root, where data/ is";
    }
    static void TearDownTestSuite() {
        TTF_CloseFont(font);
        TTF_Quit();
    }

    // Every sequence the story can reach from its start.
    static std::vector<ListId> reachableLists() {
        const Story& story = storyScript();
        std::vector<ListId> order{story.start().list};
        std::set<ListId> seen{order.front()};
        for (std::size_t i = 0; i < order.size(); ++i) {
            for (const Scenario& element : story.elements(order[i])) {
                if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                    for (const SelectorOption& option : selector->options) {
                        if (seen.insert(option.branch).second) {
                            order.push_back(option.branch);
                        }
                    }
                }
            }
        }
        return order;
    }

    static inline TTF_Font* font = nullptr;
};

TEST_F(StoryFit, FontHoldsEveryCharacterOfTheStory) {
    const Story& story = storyScript();
    std::u32string missing;
    const auto check = [&](std::string_view utf8) {
        for (std::size_t i = 0; i < utf8.size();) {
            const auto byte = static_cast<unsigned char>(utf8[i]);
            const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
            char32_t c = length == 1 ? byte : byte & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < length; ++k) {
                c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            }
            i += length;
            if (c != U'\n' &&
                (c > 0xFFFF || TTF_GlyphIsProvided(font, static_cast<Uint16>(c)) == 0)) {
                missing.push_back(c);
            }
        }
    };
    for (const ListId list : reachableLists()) {
        for (const Scenario& element : story.elements(list)) {
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                check(text->text);
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                for (const SelectorOption& option : selector->options) {
                    check(option.label);
                }
            }
        }
    }
    EXPECT_TRUE(missing.empty()) << missing.size() << " characters have no glyph";
}

} // namespace
