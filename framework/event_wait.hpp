// Waiting for the next SDL event, and the ways out of a game that do not come as an event. The
// shared steps are in event_wait.cpp; CMake adds the platform's part, x11/event_wait.cpp (sleeps on
// the X connection, signals, X server loss; needs SDL's X11 driver, Xlib and ppoll) or
// portable/event_wait.cpp (SDL alone).
#pragma once

#include <SDL.h>

#include <functional>

namespace Framework {

// Blocks until SDL has an event and returns it. Where SDL reads an X connection, sleeps on it: an
// idle game wakes twice a second to look for an event that came without a byte on the socket,
// and a quit signal wakes it at once. Elsewhere, and in the portable build, SDL_WaitEvent, which
// looks every 10 ms in classic SDL.
[[nodiscard]] SDL_Event waitForEvent();

// For the end of a game whose work is kept: from then on a quit signal, a process group's that
// reached the game and its launcher alike say, would only cut the shut-down short.
void ignoreQuitSignals() noexcept;

// While one lives, every way out that can be caught ends the game with its work kept: SIGHUP and
// SIGQUIT come as SDL_QUIT, as SDL makes SIGTERM and SIGINT come (not when they were ignored at
// start). `keepWork` keeps it at once where the platform may lose it: when the X server goes away
// it runs as the game's last words, and the process ends at once with status 1 and one line on
// stderr, the error it threw if it did; on the web page it runs each time the tab is hidden, and
// the game goes on. SIGKILL, a crash of the machine or a power loss cannot be caught: the work
// since the last save is lost. The portable build catches only what SDL does. The signals are the
// process's: making a second one while one lives throws std::logic_error.
class WaysOut {
  public:
    explicit WaysOut(std::function<void()> keepWork);
    WaysOut(const WaysOut&) = delete;
    WaysOut& operator=(const WaysOut&) = delete;
    ~WaysOut();

  private:
    std::function<void()> keepWork_;
};

} // namespace Framework
