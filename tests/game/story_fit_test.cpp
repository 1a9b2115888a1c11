// Every text of the story fits the panels it is written into, in the font the game ships. Whoever
// writes the next story gets this check for free.
#include "framework/sdl_handles.hpp"
#include "framework/text_panel.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"

#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr int visibleWidth = config::screenWidth - 8; // the story panel starts 8 pixels in

class StoryFit : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(TTF_Init(), 0);
        font = TTF_OpenFontIndex(config::fontPath, config::fontPointSize, 0);
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

TEST_F(StoryFit, LinesAndPagesFitTheirPanels) {
    const Story& story = storyScript();
    const int lineSkip = TTF_FontLineSkip(font);
    const auto width = [&](const std::string& line) {
        int w = 0;
        int h = 0;
        TTF_SizeUTF8(font, line.c_str(), &w, &h);
        return w;
    };
    const auto checkLines = [&](std::string_view text, const std::string& where) {
        int lines = 0;
        for (const std::string& piece : splitLineBreaks(text)) {
            if (piece == "\n") {
                ++lines;
            } else if (piece != "\r") {
                EXPECT_LE(width(piece), visibleWidth) << where << ": " << piece;
            }
        }
        return lines + 1;
    };
    for (const ListId list : reachableLists()) {
        // A branch starts on a cleared page: taking an option clears the story panel.
        int pageLines = 0;
        for (const Scenario& element : story.elements(list)) {
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                if (text->text == "*cls*") {
                    pageLines = 0;
                    continue;
                }
                pageLines += checkLines(text->text, "story line");
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                ++pageLines; // reaching a selector writes an empty line
                int labelLines = 0;
                for (const SelectorOption& option : selector->options) {
                    labelLines += checkLines(option.label, "option label");
                }
                EXPECT_LE(labelLines * lineSkip, config::choicesPanelHeight);
            } else if (std::holds_alternative<ScenarioEventNone>(element)) {
                ++pageLines; // writes an empty line
            } // the game end is never fed: the game is over once the text before it is shown
            EXPECT_LE(pageLines * lineSkip, config::storyPanelHeight)
                << "a page of " << pageLines << " lines";
        }
    }
}

} // namespace
