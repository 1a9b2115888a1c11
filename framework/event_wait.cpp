#include "framework/event_wait.hpp"

#include "framework/event_wait_os.hpp"

#include <stdexcept>
#include <utility>

namespace Framework {

namespace {

bool oneLives = false;

} // namespace

SDL_Event waitForEvent() {
    if (const std::optional<SDL_Event> event = Os::sleepForEvent()) {
        return *event;
    }
    SDL_Event event;
    // SDL_WaitEvent fails only when SDL cannot wait: looking again still finds every event, and
    // the event returned is never one SDL did not fill in.
    while (SDL_WaitEvent(&event) != 1) {
        SDL_Delay(1);
    }
    return event;
}

void ignoreQuitSignals() noexcept {
    Os::ignoreQuitSignals();
}

WaysOut::WaysOut(std::function<void()> keepWork) : keepWork_(std::move(keepWork)) {
    if (oneLives) {
        throw std::logic_error("WaysOut: one already lives");
    }
    oneLives = true;
    Os::take(keepWork_);
}

WaysOut::~WaysOut() {
    Os::giveBack();
    oneLives = false;
}

} // namespace Framework
