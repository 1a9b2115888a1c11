// SDL alone: its own wait, and the ways out it catches itself.
#include "framework/event_wait.hpp"
#include "framework/event_wait_os.hpp"

#include <csignal>

namespace Framework {

std::optional<SDL_Event> Os::sleepForEvent() {
    return std::nullopt;
}

void Os::take(const std::function<void()>&) {}

void Os::giveBack() noexcept {}

void Os::ignoreQuitSignals() noexcept {
    std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGINT, SIG_IGN);
}

} // namespace Framework
