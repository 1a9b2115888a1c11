#include "framework/event_wait.hpp"

#include <utility>

SDL_Event waitForEvent() {
    SDL_Event event;
    // SDL_WaitEvent fails only when SDL cannot wait: looking again still finds every event, and
    // the event returned is never one SDL did not fill in.
    while (SDL_WaitEvent(&event) != 1) {
        SDL_Delay(1);
    }
    return event;
}

WaysOut::WaysOut(std::function<void()> lastWords) {
    static_cast<void>(std::move(lastWords));
}

WaysOut::~WaysOut() = default;
