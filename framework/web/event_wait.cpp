// The browser build: the page brings the keys and shows the screen. While the player reads, the
// game is suspended (ASYNCIFY) until the page has a key for it, so an idle tab does no work.
// Hiding or closing the tab keeps the record, as closing the window does on the desktop.
#include "framework/event_wait.hpp"
#include "framework/event_wait_os.hpp"

#include <emscripten.h>

#include <exception>

namespace {

const std::function<void()>* keepRecord = nullptr;

// Hands the page the screen's pixels (32 bits, red in the third byte) to draw.
EM_JS(void, presentScreen, (const void* pixels, int width, int height, int pitch),
      { Module.gorubadon.present(pixels, width, height, pitch); });

// Fills sym, unicode and modifiers of the next key; returns 0 when the page closes the game.
EM_ASYNC_JS(int, nextKey, (int* fields), { return await Module.gorubadon.nextKey(fields); });

// While play lasts the page keeps the record when the tab goes; at its end, the record written,
// the page stores the files.
EM_JS(void, playing, (int on), { Module.gorubadon.playing(!!on); });

EM_JS(void, reportError, (const char* what), { Module.gorubadon.error(UTF8ToString(what)); });

} // namespace

// The page calls this when the tab is hidden or closed, then stores the files it wrote.
extern "C" EMSCRIPTEN_KEEPALIVE void gorubadonKeepRecord() {
    if (keepRecord == nullptr) {
        return;
    }
    try {
        (*keepRecord)();
    } catch (const std::exception& error) {
        reportError(error.what());
    }
}

namespace Framework {

std::optional<SDL_Event> Os::sleepForEvent() {
    SDL_Event event{};
    if (SDL_PollEvent(&event) == 1) {
        return event;
    }
    if (const SDL_Surface* screen = SDL_GetVideoSurface(); screen != nullptr) {
        presentScreen(screen->pixels, screen->w, screen->h, screen->pitch);
    }
    int fields[3] = {};
    if (nextKey(fields) == 0) {
        event.type = SDL_QUIT;
        return event;
    }
    event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = static_cast<SDLKey>(fields[0]);
    event.key.keysym.unicode = static_cast<Uint16>(fields[1]);
    event.key.keysym.mod = static_cast<SDLMod>(fields[2]);
    return event;
}

void Os::take(const std::function<void()>& keepWork) {
    keepRecord = &keepWork;
    playing(1);
}

void Os::giveBack() noexcept {
    playing(0);
    keepRecord = nullptr;
}

// A page gets no signals.
void Os::ignoreQuitSignals() noexcept {}

} // namespace Framework
