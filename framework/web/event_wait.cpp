// The browser build: the page brings the keys. While the player reads, the game is suspended
// (ASYNCIFY) until the page has a key for it, so an idle tab does no work. The page draws the
// screen and keeps the record (page.hpp).
#include "framework/event_wait.hpp"
#include "framework/event_wait_os.hpp"
#include "framework/web/page.hpp"

#include <emscripten.h>

namespace {

// Fills sym, unicode and modifiers of the next key; returns 0 when the page closes the game.
EM_ASYNC_JS(int, nextKey, (int* fields), { return await Module.gorubadon.nextKey(fields); });

} // namespace

namespace Framework {

std::optional<SDL_Event> Os::sleepForEvent() {
    SDL_Event event{};
    if (SDL_PollEvent(&event) == 1) {
        return event;
    }
    // The game sleeps next, so what it drew must be on the page first.
    Page::presentScreen();
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

// Hiding or closing the tab keeps the record, as closing the window does on the desktop.
void Os::take(const std::function<void()>& keepWork) {
    Page::keepRecordWith(keepWork);
}

void Os::giveBack() noexcept {
    Page::stopKeepingRecord();
}

// A page gets no signals.
void Os::ignoreQuitSignals() noexcept {}

} // namespace Framework
