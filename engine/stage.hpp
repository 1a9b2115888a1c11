// What a story game makes before play and the loop that plays it: panels, font and picture as a
// StoryLook describes them, and the frames from the first to the last.
#pragma once

#include "engine/frame.hpp"
#include "engine/look.hpp"
#include "framework/event_wait.hpp"
#include "framework/runner.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/text_panel.hpp"

#include <SDL.h>

#include <optional>

// The engine's names are in Engine; it names the framework's in full (Framework::).
namespace Engine {

// Owned for the whole run. The panels borrow the surfaces and the font; destroy them by release,
// which closes the font before it frees the panel surfaces.
struct GameResources {
    Framework::SurfacePtr surfaceA;
    Framework::SurfacePtr surfaceB;
    Framework::SurfacePtr surfaceC;
    Framework::FontPtr font;
    Framework::TextPanel panelA;
    Framework::TextPanel panelB;
    Framework::TextPanel panelC;
    Framework::SurfacePtr background;
};

// The look's font; SdlError "TTF_OpenFontIndex" when it cannot be opened.
[[nodiscard]] Framework::FontPtr openFont(const StoryLook& look);

// The three translucent panels at the screen's depth, the font and the background, the last held in
// the screen's pixel format. A missing data file is fatal: SdlError "TTF_OpenFontIndex" or
// "IMG_Load".
[[nodiscard]] GameResources loadResources(SDL_Surface* screen, const StoryLook& look);

// Closes the font, then frees the story, choices and bottom panel surfaces, in that order.
void release(GameResources& resources) noexcept;

// The game's frames: the choices and bottom panels over the page, then the next event from the
// queue, dispatched.
struct GamePlay {
    static void show(const FrameValues& values) noexcept { showFrame(values); }
    [[nodiscard]] static SDL_Event next() { return Framework::waitForEvent(); }
    [[nodiscard]] static std::optional<FrameValues> step(const FrameValues& values,
                                                         const SDL_Event& event) {
        return dispatch(values, event);
    }
};

// The one play loop. Each frame draws the background and the story panel, has `play` show the
// rest and flip, and gives the event from `play.next()` to `play.step`, whose values the next
// frame shows; a step with no values ends the loop. Returns the values the loop ended with.
template <class Play>
FrameValues playLoop(FrameValues values, Play& play) {
    // An ordinary loop, not a call per frame: the stack stays flat however many events arrive.
    for (;;) {
        SDL_BlitSurface(values.background, nullptr, values.screen, nullptr);
        showStoryPanel(values);
        play.show(values);
        std::optional<FrameValues> next = play.step(values, play.next());
        if (!next) {
            return values;
        }
        values = *next;
    }
}

// The play loop with the game's frames.
FrameValues gameLoop(FrameValues values);

// The status of a game that found no sound device (sysexits' EX_UNAVAILABLE), so that whoever
// starts it may try again with SDL's dummy audio, as dist/run-game.sh does; the build takes the
// value from that script.
inline constexpr int noAudioDeviceStatus = GORUBADON_NO_AUDIO_DEVICE_STATUS;

// A story game's whole main: the runner with the window the look describes, around `game`. Prints
// a fatal error to stderr and returns EXIT_FAILURE, or noAudioDeviceStatus; EXIT_SUCCESS once the
// game has returned.
[[nodiscard]] int runStoryGame(const StoryLook& look, const Framework::GameRoutine& game) noexcept;

// A whole game for a runner: lets SDL's timer go (a story sets no timer), loads what the look
// names, plays the story once from its start and releases what it loaded. The story must outlive
// the call.
void playStory(SDL_Surface* screen, const Story& story, const StoryLook& look);

} // namespace Engine
