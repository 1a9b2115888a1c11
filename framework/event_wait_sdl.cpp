// SDL alone: its own wait, and the ways out it catches itself.
#include "framework/event_wait_os.hpp"

std::optional<SDL_Event> event_wait_os::sleepForEvent() {
    return std::nullopt;
}

void event_wait_os::take(const std::function<void()>&) {}

void event_wait_os::giveBack() noexcept {}
