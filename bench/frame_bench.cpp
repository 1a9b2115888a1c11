// What a key press costs on screen: the story line or choices written, the frame composed and
// flipped, as the game loop does it.
#include "engine/frame.hpp"
#include "engine/stage.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"
#include "tests/framework/test_events.hpp"

#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace Framework;
using namespace Engine;
using namespace Game;

// SDL, the font and the panels for both screens, made once: opening them is not a key press.
struct Screens {
    SDL_Surface* video = nullptr;
    SurfacePtr desktop; // 32-bit, the depth of a usual desktop; the dummy driver's may differ
    std::optional<GameResources> onVideo;
    std::optional<GameResources> onDesktop;
};

Screens& screens() {
    static Screens* made = [] {
        // Never freed: the process ends right after the run, SDL still holding the surfaces.
        auto* s = new Screens;
        if (SDL_Init(SDL_INIT_VIDEO) != 0 || TTF_Init() != 0) {
            return s;
        }
        s->video =
            SDL_SetVideoMode(Config::look.screenWidth, Config::look.screenHeight, 0, SDL_SWSURFACE);
        s->desktop.reset(SDL_CreateRGBSurface(SDL_SWSURFACE, Config::look.screenWidth,
                                              Config::look.screenHeight, 32, 0x00ff0000, 0x0000ff00,
                                              0x000000ff, 0));
        if (s->video == nullptr || !s->desktop) {
            return s;
        }
        s->onVideo.emplace(loadResources(s->video, Config::look));
        s->onDesktop.emplace(loadResources(s->desktop.get(), Config::look));
        return s;
    }();
    return *made;
}

// Arg 0: the dummy driver's video surface; arg 1: the 32-bit software screen.
std::optional<FrameValues> startValues(benchmark::State& state) {
    Screens& s = screens();
    const bool desktop = state.range(0) == 1;
    const std::optional<GameResources>& r = desktop ? s.onDesktop : s.onVideo;
    if (!r) {
        state.SkipWithError(SDL_GetError());
        return std::nullopt;
    }
    SDL_Surface* screen = desktop ? s.desktop.get() : s.video;
    state.SetLabel(std::to_string(screen->format->BitsPerPixel) + "-bit screen");
    return FrameValues{screen,
                       SDL_MapRGB(screen->format, 0, 0, 0),
                       r->panelA,
                       r->panelB,
                       r->panelC,
                       r->background.get(),
                       initialEngineState(storyScript())};
}

using TestEvents::keyDown;

// Resident memory of this process.
long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The game's frames, ended after the first: the frame a step leads to, with the event already in
// hand (gameLoop waits for a real one).
struct OneFrame : GamePlay {
    static SDL_Event next() { return {}; }
    static std::optional<FrameValues> step(const FrameValues&, const SDL_Event&) { return {}; }
};

FrameValues press(const FrameValues& values, const SDL_Event& event) {
    OneFrame play;
    return playLoop(*dispatch(values, event), play);
}

// The values just before the opening's selector is reached: four lines on the page.
FrameValues beforeSelector(FrameValues values) {
    const SDL_Event space = keyDown(SDLK_SPACE);
    for (int i = 0; i < 4; ++i) {
        values = *dispatch(values, space);
    }
    return values;
}

void BM_SpacePress(benchmark::State& state) {
    const std::optional<FrameValues> start = startValues(state);
    if (!start) {
        return;
    }
    const SDL_Event space = keyDown(SDLK_SPACE);
    FrameValues values = *start;
    for (auto _ : state) {
        // The opening's story lines only: at the selector a space does nothing, so start over.
        if (values.state.cursor.mode == Mode::Choose) {
            values = *start;
        }
        values = press(values, space);
        benchmark::DoNotOptimize(values.screen->pixels);
    }
}
BENCHMARK(BM_SpacePress)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReachSelector(benchmark::State& state) {
    const std::optional<FrameValues> start = startValues(state);
    if (!start) {
        return;
    }
    const FrameValues before = beforeSelector(*start);
    const SDL_Event space = keyDown(SDLK_SPACE);
    if (press(before, space).state.cursor.mode != Mode::Choose) {
        state.SkipWithError("the fifth space did not reach the selector");
        return;
    }
    for (auto _ : state) {
        const FrameValues after = press(before, space);
        benchmark::DoNotOptimize(after.screen->pixels);
    }
}
BENCHMARK(BM_ReachSelector)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_Choice(benchmark::State& state) {
    const std::optional<FrameValues> start = startValues(state);
    if (!start) {
        return;
    }
    const FrameValues choosing = press(beforeSelector(*start), keyDown(SDLK_SPACE));
    const SDL_Event two = keyDown(SDLK_2);
    if (press(choosing, two).state.cursor.mode != Mode::Normal) {
        state.SkipWithError("key 2 did not take the choice");
        return;
    }
    for (auto _ : state) {
        const FrameValues after = press(choosing, two);
        benchmark::DoNotOptimize(after.screen->pixels);
    }
}
BENCHMARK(BM_Choice)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A key release, or any event that changes nothing: the frame is still composed and flipped.
void BM_KeyRelease(benchmark::State& state) {
    const std::optional<FrameValues> start = startValues(state);
    if (!start) {
        return;
    }
    SDL_Event up = keyDown(SDLK_SPACE);
    up.type = up.key.type = SDL_KEYUP;
    up.key.state = SDL_RELEASED;
    for (auto _ : state) {
        const FrameValues after = press(*start, up);
        benchmark::DoNotOptimize(after.screen->pixels);
    }
}
BENCHMARK(BM_KeyRelease)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The story panel blended onto a 32-bit desktop screen. Arg 0: the panel in the framework's fixed
// pixel layout (red in the lowest byte), which SDL blends pixel by pixel through its generic path;
// arg 1: the same panel in the screen's own layout, for comparison.
void BM_StoryPanelBlend(benchmark::State& state) {
    Screens& s = screens();
    if (!s.onDesktop) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    SDL_Surface* screen = s.desktop.get();
    SDL_Surface* panel = s.onDesktop->surfaceA.get();
    SurfacePtr converted;
    if (state.range(0) == 1) {
        converted.reset(SDL_ConvertSurface(panel, screen->format, SDL_SWSURFACE | SDL_SRCALPHA));
        SDL_SetAlpha(converted.get(), SDL_SRCALPHA, Config::look.panelAlpha);
        panel = converted.get();
    }
    state.SetLabel(state.range(0) == 1 ? "screen layout" : "fixed layout");
    for (auto _ : state) {
        blitAt(panel, screen, panelX, panelAY);
        benchmark::DoNotOptimize(screen->pixels);
    }
}
BENCHMARK(BM_StoryPanelBlend)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Mouse motion floods the real loop, which redraws for every event, from another thread; its
// resident memory must not grow with the flood ("growth_KiB", after a first flood to warm up).
void BM_MouseMotionFlood(benchmark::State& state) {
    const std::optional<FrameValues> start = startValues(state);
    if (!start) {
        return;
    }
    const auto flood = [](const FrameValues& from, int events) {
        std::thread pusher([events] {
            for (int i = 0; i <= events; ++i) {
                SDL_Event event = i < events
                                      ? TestEvents::mouseMotion(static_cast<Uint16>(i % 320), 5)
                                      : TestEvents::ofType(SDL_QUIT);
                while (SDL_PushEvent(&event) != 0) {
                    std::this_thread::yield();
                }
            }
        });
        const FrameValues last = gameLoop(from);
        pusher.join();
        return last;
    };
    const FrameValues warm = flood(*start, 2'000);
    const long before = residentKiB();
    for (auto _ : state) {
        benchmark::DoNotOptimize(flood(warm, 20'000).screen->pixels);
    }
    state.counters["growth_KiB"] = static_cast<double>(residentKiB() - before);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 20'000);
}
BENCHMARK(BM_MouseMotionFlood)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
