#include "engine/frame.hpp"

#include "engine/keymap.hpp"

#include <SDL_config.h>

// Sleeping on the X connection needs SDL's X11 driver and a sleep that takes a signal mask
// atomically; without them (or when the portable paths are asked for) SDL_WaitEvent serves.
#if defined(SDL_VIDEO_DRIVER_X11) && defined(GORUBADON_HAVE_PPOLL) && !defined(GORUBADON_PORTABLE)
#define GORUBADON_SLEEP_ON_X 1
#include <SDL_syswm.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#endif

#include <string>

namespace {

// The story panel gets the text of the element just fed; "*cls*" clears the page instead.
constexpr std::string_view pageClear = "*cls*";

[[nodiscard]] TextPanel writeStoryLine(const TextPanel& panel, std::string_view text) {
    return text == pageClear ? clearTextPanel(panel) : putLine(panel, text);
}

// One label per line, in option order; putLine adds the last line feed.
[[nodiscard]] TextPanel writeChoices(const TextPanel& panel, ScenarioList selector) {
    std::string lines;
    for (const std::string_view label : optionLabels(selector)) {
        lines.append(label);
        lines.push_back('\n');
    }
    return putLine(clearTextPanel(panel), lines);
}

[[nodiscard]] FrameValues feed(const FrameValues& values) {
    const ScenarioList rest = values.state.cursor.remaining;
    FrameValues next = values;
    next.panelA = writeStoryLine(values.panelA, feedText(rest));
    next.state = update(TGInput::TextFeed, values.state);
    if (next.state.cursor.mode == Mode::Choose) {
        next.panelB = writeChoices(values.panelB, rest);
    }
    return next;
}

[[nodiscard]] FrameValues select(const FrameValues& values, TGInput input) {
    FrameValues next = values;
    next.state = update(input, values.state);
    // Cleared even when the choice changes nothing, so the player sees the key was taken.
    next.panelA = clearTextPanel(values.panelA);
    return next;
}

#ifdef GORUBADON_SLEEP_ON_X
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

// SDL's handlers for SIGTERM and SIGINT turn them into SDL_QUIT: classic SDL queues it from the
// handler, SDL 2 under sdl12-compat on the next pump. Held back while the queue is looked at, they
// arrive only inside ppoll, which they wake: none slips in between the look and the sleep, and no
// handler changes the queue halfway through a look. SDL's own threads block both signals, so
// they come to this thread.
[[nodiscard]] SDL_Event sleepOnConnection(int connection) {
    sigset_t quitSignals;
    sigemptyset(&quitSignals);
    sigaddset(&quitSignals, SIGTERM);
    sigaddset(&quitSignals, SIGINT);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &quitSignals, &previous);
    sigset_t whileAsleep = previous;
    sigdelset(&whileAsleep, SIGTERM);
    sigdelset(&whileAsleep, SIGINT);
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
#endif

} // namespace

void blitAt(SDL_Surface* source, SDL_Surface* screen, Sint16 x, Sint16 y) noexcept {
    SDL_Rect destination{x, y, 0, 0};
    SDL_BlitSurface(source, nullptr, screen, &destination);
}

void showFrame(const FrameValues& values) noexcept {
    if (values.state.cursor.mode != Mode::Normal) {
        blitAt(panelSurface(values.panelB), values.screen, panelX, panelBY);
    }
    blitAt(panelSurface(values.panelC), values.screen, panelX, panelCY);
    SDL_Flip(values.screen);
}

std::optional<FrameValues> dispatch(const FrameValues& values, const SDL_Event& event) {
    switch (const KeyOutcome outcome = readKey(event, values.state)) {
    case KeyOutcome::EndLoop:
        return std::nullopt;
    case KeyOutcome::Nothing:
        return values;
    case KeyOutcome::Feed:
        return feed(values);
    case KeyOutcome::SelectFirst:
    case KeyOutcome::SelectSecond:
    case KeyOutcome::SelectThird:
        return select(values, inputOf(outcome));
    }
    return values;
}

SDL_Event waitForEvent() {
#ifdef GORUBADON_SLEEP_ON_X
    // SDL 1.2's own wait polls every 10 ms; sleeping on the X socket instead costs nothing while
    // the player reads and answers a key at once.
    if (const int connection = eventConnection(); connection >= 0) {
        return sleepOnConnection(connection);
    }
#endif
    SDL_Event event;
    if (SDL_WaitEvent(&event) == 1) {
        return event;
    }
    // SDL_WaitEvent fails only when SDL cannot wait; looking again and again still finds every
    // event, and the event returned is never one SDL did not fill in.
    while (SDL_PollEvent(&event) != 1) {
        SDL_Delay(1);
        SDL_PumpEvents();
    }
    return event;
}

std::optional<FrameValues> engineFrame(const FrameValues& values) {
    showFrame(values);
    return dispatch(values, waitForEvent());
}
