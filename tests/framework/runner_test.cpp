#include "framework/runner.hpp"

#include "framework/event_wait.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"
#include "test_support.hpp"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <csignal>

#include <stdexcept>
#include <string>

namespace {

using namespace Framework;

constexpr Uint32 allFourSubsystems =
    SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK;
const char* const japaneseCaption = "ゴルバドン";

// Writes an 8-bit palettised BMP whose background is palette index 15 and a square of index 1.
std::string writeIcon(const std::filesystem::path& dir) {
    SurfacePtr icon(SDL_CreateRGBSurface(SDL_SWSURFACE, 32, 32, 8, 0, 0, 0, 0));
    if (!icon) {
        throw SdlError("SDL_CreateRGBSurface");
    }
    SDL_Color colours[16] = {};
    colours[1] = SDL_Color{200, 40, 40, 0};
    colours[15] = SDL_Color{255, 0, 255, 0};
    SDL_SetColors(icon.get(), colours, 0, 16);
    SDL_FillRect(icon.get(), nullptr, 15);
    SDL_Rect square{8, 8, 16, 16};
    SDL_FillRect(icon.get(), &square, 1);
    const std::string path = (dir / "icon.bmp").string();
    if (SDL_SaveBMP(icon.get(), path.c_str()) != 0) {
        throw SdlError("SDL_SaveBMP");
    }
    return path;
}

class Runner : public ::testing::Test {
  protected:
    void SetUp() override {
        TestSupport::useDummyDriversUnlessSet();
        iconPath = writeIcon(dir.path());
    }
    void TearDown() override {
        // Whatever a failing test left behind must not reach the next one in this process.
        while (Mix_QuerySpec(nullptr, nullptr, nullptr) != 0) {
            Mix_CloseAudio();
        }
        if (TTF_WasInit() != 0) {
            TTF_Quit();
        }
        SDL_Quit();
    }

    TestSupport::TempDir dir;
    std::string iconPath;
};

struct Observed {
    Uint32 sdlSubsystems = 0;
    int ttfInit = 0;
    int mixerOpened = 0;
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    int width = 0;
    int height = 0;
    bool sameAsVideoSurface = false;
    std::string caption;
    std::string iconCaption;
    bool iconCaptionNull = true;
    int unicode = -1;
};

Observed observe(SDL_Surface* screen) {
    Observed o;
    o.sdlSubsystems = SDL_WasInit(SDL_INIT_EVERYTHING);
    o.ttfInit = TTF_WasInit();
    o.mixerOpened = Mix_QuerySpec(&o.frequency, &o.format, &o.channels);
    o.width = screen->w;
    o.height = screen->h;
    o.sameAsVideoSurface = SDL_GetVideoSurface() == screen;
    char* title = nullptr;
    char* iconTitle = nullptr;
    SDL_WM_GetCaption(&title, &iconTitle);
    o.caption = title != nullptr ? title : "";
    o.iconCaptionNull = iconTitle == nullptr;
    o.iconCaption = iconTitle != nullptr ? iconTitle : "";
    o.unicode = SDL_EnableUNICODE(-1);
    return o;
}

} // namespace

TEST_F(Runner, StartRoutineRunsOnceWithEverythingUp) {
    int calls = 0;
    Observed o;
    runGame(320, 240, japaneseCaption, iconPath, 15, 44100, [&](SDL_Surface* screen) {
        ++calls;
        o = observe(screen);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(o.sdlSubsystems & allFourSubsystems, allFourSubsystems);
    EXPECT_NE(o.ttfInit, 0);
    EXPECT_NE(o.mixerOpened, 0);
    EXPECT_EQ(o.frequency, 44100); // passed on: SDL_mixer's own default is 22050
    EXPECT_EQ(o.format, AUDIO_S16SYS);
    EXPECT_EQ(o.channels, 2);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_TRUE(o.sameAsVideoSurface);
    EXPECT_EQ(o.caption,
              "\xE3\x82\xB4\xE3\x83\xAB\xE3\x83\x90\xE3\x83\x89\xE3\x83\xB3"); // ゴルバドン
    EXPECT_FALSE(o.iconCaptionNull);
    EXPECT_EQ(o.iconCaption, "");
    EXPECT_EQ(o.unicode, 1);
}

TEST_F(Runner, NormalReturnTakesEverythingDown) {
    runGame(320, 240, japaneseCaption, iconPath, 15, 44100, [](SDL_Surface*) {});
    // A quit signal then, as a process group's second one, would only cut the shut-down short.
    EXPECT_EQ(std::signal(SIGTERM, SIG_DFL), SIG_IGN);
    EXPECT_EQ(SDL_WasInit(0), 0U);
    EXPECT_EQ(TTF_WasInit(), 0);
    EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
}

TEST_F(Runner, ErrorFromRoutinePassesThroughUnchangedWithOnlySdlQuit) {
    SDL_SetError("bad font");
    const SdlError thrown("TTF_OpenFontIndex");
    try {
        runGame(320, 240, "t", iconPath, 15, 44100, [&](SDL_Surface*) { throw thrown; });
        FAIL() << "nothing thrown";
    } catch (const SdlError& e) {
        EXPECT_EQ(std::string(e.what()), "TTF_OpenFontIndex\nSDL message: bad font");
    }
    EXPECT_EQ(SDL_WasInit(0), 0U);
    // Neither TTF_Quit nor Mix_CloseAudio ran; TearDown cleans up.
    EXPECT_NE(TTF_WasInit(), 0);
    EXPECT_NE(Mix_QuerySpec(nullptr, nullptr, nullptr), 0);
}

TEST_F(Runner, MissingIconStopsBeforeTheRoutine) {
    const std::string missing = (dir.path() / "no-such-icon.bmp").string();
    // Whatever SDL_image says for this file, read the same way outside the runner.
    SDL_ClearError();
    ASSERT_EQ(IMG_Load(missing.c_str()), nullptr);
    const std::string expected = sdlErrorMessage("IMG_Load", SDL_GetError());
    ASSERT_EQ(expected.rfind("IMG_Load\nSDL message: ", 0), 0U);

    bool called = false;
    try {
        runGame(320, 240, japaneseCaption, missing, 15, 44100,
                [&](SDL_Surface*) { called = true; });
        FAIL() << "nothing thrown";
    } catch (const SdlError& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
    EXPECT_FALSE(called);
    EXPECT_EQ(SDL_WasInit(0), 0U);
    EXPECT_EQ(TTF_WasInit(), 0); // the runner never got as far as TTF_Init
}

TEST_F(Runner, LoadColorKeyedImageSetsTheKey) {
    const SurfacePtr image = loadColorKeyedImage(iconPath, 15);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 32);
    EXPECT_EQ(image->format->BitsPerPixel, 8);
    EXPECT_NE(image->flags & SDL_SRCCOLORKEY, 0U);
    EXPECT_EQ(image->format->colorkey, 15U);
    EXPECT_EQ(TestSupport::pixelAt(image.get(), 0, 0), 15U);  // background
    EXPECT_EQ(TestSupport::pixelAt(image.get(), 12, 12), 1U); // the square
}

TEST_F(Runner, WithIconRunsTheBodyAfterInstallingTheIcon) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    ASSERT_NE(SDL_SetVideoMode(320, 240, 0, SDL_SWSURFACE), nullptr);
    EXPECT_EQ(withIcon(iconPath, 15, [] { return 42; }), 42);

    bool called = false;
    EXPECT_THROW(withIcon((dir.path() / "missing.bmp").string(), 15, [&] { called = true; }),
                 SdlError);
    EXPECT_FALSE(called);
}

TEST_F(Runner, OnlyOneWaysOutAtATimeAndItGivesTheSignalsBack) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
    struct sigaction before {};
    sigaction(SIGHUP, nullptr, &before);
    {
        const WaysOut first{[] {}};
        EXPECT_THROW(WaysOut{[] {}}, std::logic_error);
    }
    struct sigaction after {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    EXPECT_NO_THROW(WaysOut{[] {}});
}
