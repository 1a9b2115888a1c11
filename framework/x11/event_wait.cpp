// Sleeping on the X connection SDL reads, and the ways out SDL does not catch: SIGHUP, SIGQUIT
// and the X server going away.
#include "framework/event_wait.hpp"
#include "framework/event_wait_os.hpp"

#include <SDL_syswm.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>

namespace Framework {

namespace {

// The X connection SDL reads its events from, or -1 where there is none (the dummy driver).
[[nodiscard]] int eventConnection() noexcept {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11 ||
        info.info.x11.display == nullptr) {
        return -1;
    }
    return ConnectionNumber(info.info.x11.display);
}

constexpr int quitSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// SDL's handlers for SIGTERM and SIGINT turn them into SDL_QUIT: classic SDL queues it from the
// handler, SDL 2 under sdl12-compat on the next pump. Held back while the queue is looked at, they
// arrive only inside ppoll, which they wake: none slips in between the look and the sleep, and no
// handler changes the queue halfway through a look. SDL's own threads block them, so they come to
// this thread.
[[nodiscard]] SDL_Event sleepOnConnection(int connection) {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : quitSignals) {
        sigaddset(&held, signal);
    }
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &held, &previous);
    sigset_t whileAsleep = previous;
    for (const int signal : quitSignals) {
        sigdelset(&whileAsleep, signal);
    }
    SDL_Event event;
    for (;;) {
        // Pumping first also drains what Xlib queued while the frame was drawn and flipped.
        SDL_PumpEvents();
        if (SDL_PollEvent(&event) == 1) {
            break;
        }
        pollfd x{connection, POLLIN, 0};
        // The timeout only guards against an event queued without a byte on the socket.
        const timespec guard{0, 500'000'000};
        static_cast<void>(ppoll(&x, 1, &guard, &whileAsleep));
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return event;
}

// What keeps the work as the X server goes away: the game's last words.
const std::function<void()>* lastWords = nullptr;
struct sigaction previousHangup;
struct sigaction previousQuit;
XIOErrorHandler previousDisplayLost = nullptr;

// SIGHUP and SIGQUIT do what SIGTERM does, through SDL's own handler.
void asTerm(int) {
    const int saved = errno;
    ::kill(::getpid(), SIGTERM);
    errno = saved;
}

// Xlib would exit once this returns. Nothing of SDL or Xlib runs again, and no destructor: under
// sdl12-compat, SDL 2's audio thread would call through a null pointer while the process exits.
[[noreturn]] int displayLost(Display*) {
    try {
        (*lastWords)();
        std::fputs("The connection to the X server was lost\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    ::_exit(1);
}

[[nodiscard]] bool caught(int signal) noexcept {
    struct sigaction now {};
    return sigaction(signal, nullptr, &now) == 0 && now.sa_handler != SIG_DFL &&
           now.sa_handler != SIG_IGN;
}

// Classic SDL's handler for SIGQUIT, its "parachute", would quit SDL from inside the handler.
void takeLikeTerm(int signal, struct sigaction& previous) noexcept {
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN && caught(SIGTERM)) {
        struct sigaction take {};
        take.sa_handler = asTerm;
        sigemptyset(&take.sa_mask);
        sigaction(signal, &take, nullptr);
    }
}

} // namespace

std::optional<SDL_Event> Os::sleepForEvent() {
    // SDL 1.2's own wait polls every 10 ms; sleeping on the X socket instead costs nothing while
    // the player reads and answers a key at once.
    if (const int connection = eventConnection(); connection >= 0) {
        return sleepOnConnection(connection);
    }
    return std::nullopt;
}

void Os::take(const std::function<void()>& keepWork) {
    lastWords = &keepWork;
    takeLikeTerm(SIGHUP, previousHangup);
    takeLikeTerm(SIGQUIT, previousQuit);
    if (eventConnection() >= 0) {
        previousDisplayLost = XSetIOErrorHandler(displayLost);
    }
}

void Os::ignoreQuitSignals() noexcept {
    for (const int signal : quitSignals) {
        std::signal(signal, SIG_IGN);
    }
}

void Os::giveBack() noexcept {
    if (eventConnection() >= 0) {
        XSetIOErrorHandler(previousDisplayLost);
    }
    sigaction(SIGHUP, &previousHangup, nullptr);
    sigaction(SIGQUIT, &previousQuit, nullptr);
    lastWords = nullptr;
}

} // namespace Framework
