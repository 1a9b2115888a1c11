// What a key press costs on screen: the story line or choices written, the frame composed and
// flipped, as the game loop does it.
#include "engine/frame.hpp"
#include "game/config.hpp"
#include "game/setup.hpp"
#include "game/story_script.hpp"

#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

namespace {

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
        s->video = SDL_SetVideoMode(config::screenWidth, config::screenHeight, 0, SDL_SWSURFACE);
        s->desktop.reset(SDL_CreateRGBSurface(SDL_SWSURFACE, config::screenWidth,
                                              config::screenHeight, 32, 0x00ff0000, 0x0000ff00,
                                              0x000000ff, 0));
        if (s->video == nullptr || !s->desktop) {
            return s;
        }
        s->onVideo.emplace(loadResources(s->video));
        s->onDesktop.emplace(loadResources(s->desktop.get()));
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

SDL_Event keyDown(SDLKey key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    return event;
}

// One pass of the game loop with the event already in hand (gameLoop waits for a real one).
FrameValues press(const FrameValues& values, const SDL_Event& event) {
    SDL_BlitSurface(values.background, nullptr, values.screen, nullptr);
    blitAt(panelSurface(values.panelA), values.screen, panelX, panelAY);
    std::optional<FrameValues> next = dispatch(values, event);
    showFrame(*next);
    return *next;
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

} // namespace
