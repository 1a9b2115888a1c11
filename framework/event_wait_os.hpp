// What a platform adds to the event wait (event_wait.hpp): one platform folder's event_wait.cpp,
// chosen by CMake, defines these.
#pragma once

#include <SDL.h>

#include <functional>
#include <optional>

namespace Framework::Os {

// The next event, slept for in the platform's own way; nothing where there is none, and SDL's own
// wait serves.
[[nodiscard]] std::optional<SDL_Event> sleepForEvent();

// Takes the ways out SDL does not catch, until giveBack; `keepWork` outlives that. Each platform
// runs it where its work may be lost: X11 as last words before the process ends, the web page when
// its tab is hidden.
void take(const std::function<void()>& keepWork);
void giveBack() noexcept;

// Ignores from now on the quit signals the platform catches (ignoreQuitSignals, event_wait.hpp).
void ignoreQuitSignals() noexcept;

} // namespace Framework::Os
