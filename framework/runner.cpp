#include "framework/runner.hpp"

#include "framework/event_wait.hpp"

#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

namespace Framework {

namespace {

// Calls SDL_Quit when it goes out of scope: made only once SDL_Init has succeeded, so SDL comes
// down on every way out of runGame after that, normal return or exception.
class SdlQuitGuard {
  public:
    SdlQuitGuard() = default;
    SdlQuitGuard(const SdlQuitGuard&) = delete;
    SdlQuitGuard& operator=(const SdlQuitGuard&) = delete;
    ~SdlQuitGuard() { SDL_Quit(); }
};

} // namespace

SurfacePtr loadImage(const char* path) {
    SurfacePtr image(IMG_Load(path));
    if (!image) {
        throw SdlError("IMG_Load");
    }
    return image;
}

SurfacePtr loadColorKeyedImage(const std::string& path, Uint32 colorKey) {
    SurfacePtr image = loadImage(path.c_str());
    // Neither result is examined: the icon is installed as loaded.
    static_cast<void>(SDL_LockSurface(image.get()));
    static_cast<void>(SDL_SetColorKey(image.get(), SDL_SRCCOLORKEY, colorKey));
    SDL_UnlockSurface(image.get());
    return image;
}

void setIcon(SDL_Surface* icon, Uint8* mask) {
    SDL_WM_SetIcon(icon, mask);
}

void runGame(int screenWidth, int screenHeight, std::string_view caption,
             const std::string& iconPath, Uint32 iconColorKey, int audioFrequency,
             const GameRoutine& game) {
    // SDL_Init brings the timer up first, and once its thread runs every stdio read in the
    // process takes a lock: Xlib's input method then reads its half-megabyte Compose table a
    // character at a time, some milliseconds slower. Video first, while there is one thread.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1) {
        throw SdlError("SDL_Init");
    }
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) == -1) {
        const SdlError error("SDL_Init");
        SDL_Quit(); // video is already up
        throw error;
    }
    const SdlQuitGuard sdlQuit;

    SDL_Surface* const screen =
        SDL_SetVideoMode(screenWidth, screenHeight, 0, SDL_SWSURFACE | SDL_DOUBLEBUF);
    if (screen == nullptr) {
        throw SdlError("SDL_SetVideoMode");
    }
    const std::string captionUtf8(caption);
    SDL_WM_SetCaption(captionUtf8.c_str(), "");

    withIcon(iconPath, iconColorKey, [&] {
        SDL_EnableUNICODE(1);
        static_cast<void>(TTF_Init()); // not examined: a failure shows up when a font is opened
        if (Mix_OpenAudio(audioFrequency, AUDIO_S16SYS, 2, 4096) != 0) {
            throw NoAudioDevice("Mix_OpenAudio");
        }
        game(screen);
        ignoreQuitSignals();
        // Plain statements, not destructors: they must run only after a normal return of the game
        // routine (and not after a failed Mix_OpenAudio); on an exception only SDL_Quit runs.
        Mix_CloseAudio();
        TTF_Quit();
    });
}

} // namespace Framework
