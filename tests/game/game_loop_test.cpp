// The real game loop, driven by real SDL events, judged by the pixels of the screen.
#include "engine/page.hpp"
#include "engine/stage.hpp"

#include "framework/shown.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"
#include "live_support.hpp"
#include "tests/framework/test_events.hpp"

#include <SDL_image.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// What the frame last told of the options it offers, as the browser's page hears it.
struct ToldOptions {
    std::string labels;
    int top = 0;
    int lineSkip = 0;
};
ToldOptions told;

} // namespace

// Takes the place of the desktop's silent one, which the linker then leaves out.
void Framework::tellShown(Shown what, std::string_view text, int top, int lineSkip) noexcept {
    if (what == Shown::ShownOptions) {
        told = {std::string(text), top, lineSkip};
    }
}

namespace {

using namespace Framework;
using namespace Engine;
using namespace Game;

using LiveSupport::hasInk;
using TestEvents::keyDown;
using TestEvents::mouseMotion;

constexpr int lineSkip = 16; // the shipped font at 16 points
constexpr int screenRight = 320;

struct Played {
    FrameValues values;
    bool endedByKey = false; // the loop ended before reaching the closing SDL_QUIT
};

class GameLoop : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        LiveSupport::preferHeadlessDrivers();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen = SDL_SetVideoMode(320, 240, 0, SDL_SWSURFACE | SDL_DOUBLEBUF);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        ASSERT_EQ(TTF_Init(), 0);
        try {
            resources = new GameResources(loadResources(screen, Config::look));
        } catch (const std::exception& error) {
            FAIL() << error.what();
        }
    }

    void SetUp() override {
        if (resources == nullptr) {
            GTEST_FAIL() << "the game's resources did not load";
        }
    }

    static void TearDownTestSuite() {
        if (resources != nullptr) {
            release(*resources);
            delete resources;
        }
        TTF_Quit();
        SDL_Quit();
    }

    // A fresh game: the panels are cleared, as gameSetup leaves them.
    static FrameValues start() {
        return {screen,
                SDL_MapRGB(screen->format, 0, 0, 0),
                clearTextPanel(resources->panelA),
                clearTextPanel(resources->panelB),
                clearTextPanel(resources->panelC),
                resources->background.get(),
                initialEngineState(storyScript())};
    }

    // Runs the real loop over the events, closed by SDL_QUIT; the screen then shows the frame
    // that answered the last event.
    static Played play(const FrameValues& from, const std::vector<SDL_Event>& events) {
        LiveSupport::drainQueue();
        std::vector<SDL_Event> all = events;
        all.push_back(TestEvents::ofType(SDL_QUIT));
        LiveSupport::push(all);
        Played played{gameLoop(from)};
        played.endedByKey = LiveSupport::drainQueue();
        return played;
    }

    static Played keys(const FrameValues& from, const std::string& presses) {
        std::vector<SDL_Event> events;
        for (const char c : presses) {
            events.push_back(keyDown(c == ' ' ? SDLK_SPACE : static_cast<SDLKey>(c)));
        }
        return play(from, events);
    }

    // The lines of the story panel that hold text, as a count from the top.
    static int inkedStoryLines() {
        int lines = 0;
        for (int top = 8; top + lineSkip <= 8 + 128; top += lineSkip) {
            lines += hasInk(screen, 8, top, screenRight, top + lineSkip) ? 1 : 0;
        }
        return lines;
    }

    static bool choicesShown() {
        return !(LiveSupport::snapshotRegion(screen, 144, 192) == backgroundRows(144, 192));
    }

    // The background alone, as the screen shows it where no panel covers it.
    static std::string backgroundRows(int y0, int y1) {
        SurfacePtr copy(
            SDL_ConvertSurface(resources->background.get(), screen->format, SDL_SWSURFACE));
        return LiveSupport::snapshotRegion(copy.get(), y0, y1);
    }

    static inline SDL_Surface* screen = nullptr;
    static inline GameResources* resources = nullptr;
};

TEST_F(GameLoop, FirstFrameShowsBackgroundEmptyStoryAndBottomPanels) {
    const Played played = keys(start(), "");
    EXPECT_FALSE(played.endedByKey);
    EXPECT_EQ(inkedStoryLines(), 0);
    // Outside the panels, and where the choices would be, the picture shows as it is.
    EXPECT_EQ(LiveSupport::snapshotRegion(screen, 0, 8), backgroundRows(0, 8));
    EXPECT_EQ(LiveSupport::snapshotRegion(screen, 136, 200), backgroundRows(136, 200));
    EXPECT_EQ(LiveSupport::snapshotRegion(screen, 232, 240), backgroundRows(232, 240));
    // The story panel covers x 8..319 and y 8..135; the bottom panel y 200..231.
    const std::string bare = backgroundRows(0, 240);
    const std::string shown = LiveSupport::snapshotRegion(screen, 0, 240);
    const auto differs = [&](int x, int y) {
        const int bpp = screen->format->BytesPerPixel;
        const std::size_t at = static_cast<std::size_t>((y * screen->w + x) * bpp);
        return shown.compare(at, bpp, bare, at, bpp) != 0;
    };
    int coveredStory = 0;
    int coveredBottom = 0;
    int coveredMargin = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const bool inStory = x >= 8 && y >= 8 && y < 136;
            const bool inBottom = x >= 8 && y >= 200 && y < 232;
            (inStory    ? coveredStory
             : inBottom ? coveredBottom
                        : coveredMargin) += differs(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(coveredMargin, 0);
    // Nearly every pixel under a translucent panel changes (a few may round to the same colour).
    EXPECT_GT(coveredStory, 312 * 128 * 9 / 10);
    EXPECT_GT(coveredBottom, 312 * 32 * 9 / 10);
}

TEST_F(GameLoop, BackgroundReachesTheScreenAsThePictureFileHoldsIt) {
    // The picture is kept in the screen's format; drawn, it must equal the file blitted as loaded.
    SurfacePtr loaded(IMG_Load(Config::look.backgroundPath));
    ASSERT_TRUE(loaded) << SDL_GetError();
    SDL_BlitSurface(loaded.get(), nullptr, screen, nullptr);
    const std::string fromFile = LiveSupport::snapshotRegion(screen, 0, 240);
    SDL_FillRect(screen, nullptr, 0);
    SDL_BlitSurface(resources->background.get(), nullptr, screen, nullptr);
    EXPECT_EQ(LiveSupport::snapshotRegion(screen, 0, 240), fromFile);
}

TEST_F(GameLoop, PanelsAreBlendedOverThePictureAtAlpha192) {
    static_cast<void>(keys(start(), ""));
    const SDL_PixelFormat* format = screen->format;
    if (format->palette != nullptr) {
        GTEST_SKIP() << "a palettised screen shows the blend only approximately";
    }
    // A channel with fewer than 8 bits (15- and 16-bit screens) rounds to its own step.
    const auto near = [](int loss) { return 2 + (1 << loss); };
    for (const auto& [x, y] : {std::pair{100, 60}, std::pair{300, 130}, std::pair{20, 220}}) {
        SCOPED_TRACE(testing::Message()
                     << "at " << x << "," << y << ", depth " << int{format->BitsPerPixel});
        const LiveSupport::Rgb under = LiveSupport::pixelAt(resources->background.get(), x, y);
        const LiveSupport::Rgb shown = LiveSupport::pixelAt(screen, x, y);
        const auto blend = [](int panel, int picture) {
            return (panel * 192 + picture * 63) / 255;
        };
        EXPECT_NEAR(shown.r, blend(192, under.r), near(format->Rloss));
        EXPECT_NEAR(shown.g, blend(192, under.g), near(format->Gloss));
        EXPECT_NEAR(shown.b, blend(255, under.b), near(format->Bloss));
    }
}

TEST_F(GameLoop, EachSpaceWritesOneMoreElementOfTheOpening) {
    // The first text has two lines; the selector writes an empty one.
    const std::vector<int> expectedLines = {0, 2, 3, 4, 5, 5};
    FrameValues values = start();
    // The page the checks measure by, fed the same lines.
    Page page;
    EngineState fedSoFar = values.state;
    for (std::size_t presses = 0; presses < expectedLines.size(); ++presses) {
        SCOPED_TRACE(testing::Message() << presses << " spaces");
        const Played played = keys(start(), std::string(presses, ' '));
        EXPECT_EQ(inkedStoryLines(), expectedLines[presses]);
        EXPECT_EQ(choicesShown(), presses == 5);
        EXPECT_EQ(played.values.panelA.y(), page.lines * lineSkip);
        values = played.values;
        page = fed(page, shownText(fedSoFar));
        fedSoFar = update(TGInput::TextFeed, fedSoFar);
    }
    EXPECT_EQ(values.state.cursor.mode, Mode::Choose);
    EXPECT_EQ(values.panelA.y(), 6 * lineSkip);
}

TEST_F(GameLoop, ChoicesPanelHoldsTheThreeLabelsOnThreeLines) {
    told = {};
    static_cast<void>(keys(start(), "     "));
    for (int line = 0; line < 3; ++line) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(
            hasInk(screen, 8, 144 + line * lineSkip, screenRight, 144 + (line + 1) * lineSkip));
    }
    // A pointer on a label's row is told apart by the rows just drawn.
    EXPECT_EQ(std::count(told.labels.begin(), told.labels.end(), '\n'), 2);
    EXPECT_EQ(told.top, 144);
    EXPECT_EQ(told.lineSkip, lineSkip);
}

TEST_F(GameLoop, KeysThatDoNotApplyChangeNothingAtAll) {
    struct Case {
        const char* name;
        std::string before;
        std::vector<SDL_Event> keys;
    };
    const std::vector<Case> cases = {
        {"digits while reading", "  ", {keyDown(SDLK_1), keyDown(SDLK_2), keyDown(SDLK_3)}},
        {"keypad 1 while choosing", "     ", {keyDown(SDLK_KP1)}},
        {"space while choosing", "     ", {keyDown(SDLK_SPACE), keyDown(SDLK_SPACE)}},
        {"F4 with shift", "  ", {keyDown(SDLK_F4, static_cast<SDLMod>(KMOD_LALT | KMOD_LSHIFT))}},
        {"mouse motion", "     ", {mouseMotion(10, 10), mouseMotion(200, 100)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Played before = keys(start(), c.before);
        const std::string shown = LiveSupport::snapshotRegion(screen, 0, 240);
        const Played after = play(before.values, c.keys);
        EXPECT_FALSE(after.endedByKey);
        EXPECT_EQ(after.values.state, before.values.state);
        EXPECT_EQ(after.values.panelA, before.values.panelA);
        EXPECT_EQ(after.values.panelB, before.values.panelB);
        EXPECT_EQ(LiveSupport::snapshotRegion(screen, 0, 240), shown);
    }
}

TEST_F(GameLoop, RockLosesAndTheNextSpaceEndsTheLoop) {
    const Played chosen = keys(start(), "     1");
    EXPECT_EQ(inkedStoryLines(), 0) << "taking an option clears the story panel";
    EXPECT_FALSE(choicesShown());
    const Played ending = keys(chosen.values, "      ");
    EXPECT_TRUE(ending.values.state.gameOver);
    EXPECT_FALSE(ending.endedByKey);
    // "(敗北エンド)" stays on screen, on the eighth line, until the next key.
    EXPECT_EQ(inkedStoryLines(), 8);
    EXPECT_TRUE(keys(ending.values, " ").endedByKey);
}

TEST_F(GameLoop, PaperWinsWithThePageClearedOnTheWay) {
    const Played fourth = keys(start(), "     3    ");
    EXPECT_EQ(inkedStoryLines(), 7);
    const Played cleared = keys(fourth.values, " ");
    EXPECT_EQ(inkedStoryLines(), 0);
    const Played next = keys(cleared.values, " ");
    EXPECT_EQ(inkedStoryLines(), 3);
    const Played ending = keys(next.values, "    ");
    EXPECT_TRUE(ending.values.state.gameOver);
    EXPECT_TRUE(keys(ending.values, " ").endedByKey);
}

TEST_F(GameLoop, TiesComeBackToTheChoiceAndPaperStillWins) {
    FrameValues values = keys(start(), "     ").values;
    for (int tie = 0; tie < 50; ++tie) {
        values = keys(values, "2      ").values;
        ASSERT_EQ(values.state.cursor.mode, Mode::Choose);
        ASSERT_TRUE(choicesShown());
    }
    const Played won = keys(values, "3          ");
    EXPECT_TRUE(won.values.state.gameOver);
    EXPECT_TRUE(keys(won.values, " ").endedByKey);
}

TEST_F(GameLoop, OneAltWithF4EndsTheLoopInEitherMode) {
    struct Case {
        const char* name;
        std::string before;
        SDLMod modifiers;
        bool ends;
    };
    const std::vector<Case> cases = {
        {"left alt, reading", " ", KMOD_LALT, true},
        {"right alt, reading", " ", KMOD_RALT, true},
        {"left alt, choosing", "     ", KMOD_LALT, true},
        {"right alt, game over", "     1      ", KMOD_RALT, true},
        {"both alts", " ", static_cast<SDLMod>(KMOD_LALT | KMOD_RALT), false},
        {"alt with num lock", "     ", static_cast<SDLMod>(KMOD_LALT | KMOD_NUM), false},
        {"no modifier", " ", KMOD_NONE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Played before = keys(start(), c.before);
        EXPECT_EQ(play(before.values, {keyDown(SDLK_F4, c.modifiers)}).endedByKey, c.ends);
    }
}

TEST_F(GameLoop, ClosingTheWindowEndsTheLoopInEitherMode) {
    for (const std::string before : {"", "  ", "     ", "     3   "}) {
        SCOPED_TRACE(before);
        const Played played = keys(start(), before);
        // play() closes with SDL_QUIT: the loop read it and returned.
        EXPECT_FALSE(played.endedByKey);
    }
}

// Another event source and step on the engine's loop: the keys from a list, not the queue, and
// play ends by the step's own choice after them. Every event comes after a frame shown for it.
struct ListedPlay {
    std::vector<SDL_Event> events;
    std::size_t read = 0;
    std::size_t shown = 0;

    void show(const FrameValues& values) noexcept {
        ++shown;
        showFrame(values);
    }
    SDL_Event next() {
        return read < events.size() ? events[read++] : TestEvents::ofType(SDL_QUIT);
    }
    std::optional<FrameValues> step(const FrameValues& values, const SDL_Event& event) {
        if (event.type == SDL_QUIT) {
            return std::nullopt;
        }
        return dispatch(values, event);
    }
};

TEST_F(GameLoop, AnotherSourceAndStepShowTheGamesFrames) {
    for (const std::string presses : {"", "  ", "     ", "     3   "}) {
        SCOPED_TRACE(presses);
        const Played game = keys(start(), presses);
        const std::string gameScreen = LiveSupport::snapshotRegion(screen, 0, screen->h);
        ListedPlay listed;
        for (const char c : presses) {
            listed.events.push_back(keyDown(c == ' ' ? SDLK_SPACE : static_cast<SDLKey>(c)));
        }
        const FrameValues after = playLoop(start(), listed);
        EXPECT_EQ(after.state, game.values.state);
        EXPECT_EQ(after.panelA, game.values.panelA);
        EXPECT_EQ(listed.shown, presses.size() + 1);
        EXPECT_EQ(LiveSupport::snapshotRegion(screen, 0, screen->h), gameScreen);
    }
}

// Its memory over a longer flood is a benchmark's figure (bench/frame_bench.cpp).
TEST_F(GameLoop, AMouseMotionFloodChangesNothing) {
    const FrameValues reading = keys(start(), "  ").values;
    // Another thread keeps the queue full while the real loop redraws for every event.
    LiveSupport::drainQueue();
    std::thread pusher([] {
        for (int i = 0; i <= 2'000; ++i) {
            SDL_Event event = i < 2'000 ? mouseMotion(static_cast<Uint16>(i % 320), 5)
                                        : TestEvents::ofType(SDL_QUIT);
            while (SDL_PushEvent(&event) != 0) {
                std::this_thread::yield();
            }
        }
    });
    const FrameValues after = gameLoop(reading);
    pusher.join();
    EXPECT_EQ(after.state, reading.state);
    EXPECT_EQ(after.panelA, reading.panelA);
}

} // namespace
