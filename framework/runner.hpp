// The framework runner. Brings SDL and its companion libraries up around one call of the
// game's start routine and takes them down again.
#pragma once

#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"

#include <SDL.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>

// Each layer keeps its names in one namespace, in upper camel case as Misc is: Framework, Engine,
// Game. What a platform file gives the framework's shared steps is in Framework::Os.
namespace Framework {

// The game's start routine: receives the screen surface (owned by SDL, never freed by the game).
using GameRoutine = std::function<void(SDL_Surface*)>;

// The SdlError of a failed Mix_OpenAudio: there is no sound device to open, though the game may
// play none.
class NoAudioDevice : public SdlError {
  public:
    using SdlError::SdlError;
};

// Runs `game` once between start-up and shut-down, in a fixed order. `caption` is UTF-8.
// Throws SdlError ("SDL_Init", "SDL_SetVideoMode", "IMG_Load", NoAudioDevice) and passes on
// whatever `game` throws. Once SDL_Init has succeeded, SDL_Quit runs on every way out;
// Mix_CloseAudio and TTF_Quit run only when `game` returns normally, after ignoreQuitSignals
// (event_wait.hpp). Not re-entrant.
void runGame(int screenWidth, int screenHeight, std::string_view caption,
             const std::string& iconPath, Uint32 iconColorKey, int audioFrequency,
             const GameRoutine& game);

// IMG_Load(path); SdlError("IMG_Load") when it fails. The caller owns the result.
[[nodiscard]] SurfacePtr loadImage(const char* path);

// loadImage(path), then SDL_SetColorKey(SDL_SRCCOLORKEY,
// colorKey) while the surface is locked. The caller owns the result.
[[nodiscard]] SurfacePtr loadColorKeyedImage(const std::string& path, Uint32 colorKey);

// SDL_WM_SetIcon(icon, mask); with no mask SDL takes the transparent pixels from the colour key.
void setIcon(SDL_Surface* icon, Uint8* mask = nullptr);

// Loads the icon, installs it without a mask, frees it, then runs `body` and returns its result.
template <class Body>
decltype(auto) withIcon(const std::string& path, Uint32 colorKey, Body&& body) {
    {
        const SurfacePtr icon = loadColorKeyedImage(path, colorKey);
        setIcon(icon.get());
    } // SDL_WM_SetIcon has taken its copy: the icon is freed before the body runs.
    return std::forward<Body>(body)();
}

} // namespace Framework
