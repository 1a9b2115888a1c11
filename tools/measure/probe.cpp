// Starts an X11 program and measures it as its player feels it, from outside the process.
// Usage: probe PRESSES COMMAND [ARGS...], with DISPLAY naming a server where nothing else maps a
// window. Prints one "name value" line per figure.
//
// The screen is watched with DAMAGE: on every report the window is read back and hashed, so a
// frame counts only when its pixels changed. Keys go in through XTEST, as from a keyboard. CPU
// time and the number of times a thread was put on a CPU (its wake-ups) come from the kernel's
// per-thread schedstat, in nanoseconds rather than the 10 ms ticks of /proc/PID/stat.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double startTimeoutMs = 20000;
constexpr double quietMs = 300; // no pixel change for this long: the program has settled
constexpr double idleMs = 2000;
constexpr double pressSpacingMs = 150;
constexpr double closeTimeoutMs = 5000;
constexpr double closePhaseMs = 200;

Display* display = nullptr;
int damageEvent = 0;
Damage damage = 0;
pid_t child = -1;
int childExit = -1; // a pidfd: readable once the program has exited
int childStatus = -1;
Window window = None;
std::uint64_t lastHash = 0;
double lastChange = -1; // time of the last frame whose pixels differed from the one before
double firstFrame = -1; // time of the first frame that is not one plain colour
double firstFrameCpu = -1;
double keyPressed = -1;
double keyAnswered = -1; // the first change after keyPressed
long draws = 0;          // DAMAGE reports, whether or not the pixels changed
std::mt19937 randomness{std::random_device{}()};

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "probe: %s\n", why);
    if (child > 0 && childStatus < 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    std::exit(2);
}

struct Cpu {
    double ms = 0;
    long long slices = 0; // times a thread was put on a CPU: wake-ups and preemptions
};

// Summed over the program's live threads.
Cpu cpu() {
    Cpu total;
    std::error_code error;
    const std::string tasks = "/proc/" + std::to_string(child) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream stat(task.path() / "schedstat");
        unsigned long long ns = 0, waited = 0, slices = 0;
        if (stat >> ns >> waited >> slices) {
            total.ms += static_cast<double>(ns) / 1e6;
            total.slices += static_cast<long long>(slices);
        }
    }
    return total;
}

long peakMemoryKb() {
    std::ifstream status("/proc/" + std::to_string(child) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// A window may go between its event and its read-back.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Reads the window back; a frame whose hash differs from the last one is a change.
void look(double at) {
    XWindowAttributes attributes;
    if (window == None || !XGetWindowAttributes(display, window, &attributes) ||
        attributes.map_state != IsViewable) {
        return;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return;
    }
    std::uint64_t hash = 1469598103934665603ULL;
    const unsigned long first = XGetPixel(image, 0, 0);
    bool plain = true;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            plain = plain && pixel == first;
            hash = (hash ^ pixel) * 1099511628211ULL;
        }
    }
    XDestroyImage(image);
    if (firstFrame < 0 && !plain) {
        firstFrame = at;
        firstFrameCpu = cpu().ms;
    }
    if (hash != lastHash && firstFrame >= 0) {
        lastChange = at;
        if (keyPressed >= 0 && keyAnswered < 0) {
            keyAnswered = at;
        }
    }
    lastHash = hash;
}

bool exited() {
    int status = 0;
    if (childStatus < 0 && waitpid(child, &status, WNOHANG) == child) {
        childStatus = status;
    }
    return childStatus >= 0;
}

// Handles the X events that have come, or waits for one until the deadline.
void step(double deadline) {
    if (XPending(display) == 0) {
        pollfd wake[] = {{ConnectionNumber(display), POLLIN, 0}, {childExit, POLLIN, 0}};
        poll(wake, 2, static_cast<int>(std::max(0.0, deadline - nowMs()) + 0.999));
    }
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        const double at = nowMs();
        if (event.type == MapNotify && window == None && !event.xmap.override_redirect) {
            window = event.xmap.window;
            // What a window manager would do: keys go to the new window.
            XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
            look(at);
        } else if (event.type == UnmapNotify && event.xunmap.window == window) {
            window = None; // SDL 2 maps and drops a window of its own before the real one
        } else if (event.type == damageEvent + XDamageNotify) {
            XDamageSubtract(display, damage, None, None);
            ++draws;
            look(at);
        }
    }
}

// Until an X event or the program's exit makes `done` true, or the wait times out.
template <typename Done>
void pumpUntil(Done done, double timeoutMs = startTimeoutMs) {
    const double limit = nowMs() + timeoutMs;
    while (!done() && nowMs() < limit && !exited()) {
        step(limit);
    }
}

void pump(double deadline) {
    pumpUntil([] { return false; }, deadline - nowMs());
}

void pumpUntilQuiet(double since) {
    const double limit = nowMs() + startTimeoutMs;
    for (double quietFrom = since; nowMs() - quietFrom < quietMs && nowMs() < limit && !exited();
         quietFrom = std::max(since, lastChange)) {
        pump(std::min(quietFrom + quietMs, limit));
    }
}

void key(KeyCode code, bool down) {
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XFlush(display);
}

void launch(char** command) {
    child = fork();
    if (child == 0) {
        close(ConnectionNumber(display));
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }
    childExit = child < 0 ? -1 : static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (childExit < 0) {
        fail("cannot start the program");
    }
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc < 3 ? 0 : std::atoi(argv[1]);
    if (presses < 1) {
        std::fprintf(stderr, "usage: probe PRESSES COMMAND [ARGS...]\n");
        return 2;
    }
    display = XOpenDisplay(nullptr);
    int damageError = 0, major = 0, minor = 0, unused = 0;
    if (display == nullptr || !XDamageQueryExtension(display, &damageEvent, &damageError) ||
        !XTestQueryExtension(display, &unused, &unused, &major, &minor)) {
        fail("needs an X display with DAMAGE and XTEST");
    }
    XSetErrorHandler(ignoreXError);
    const Window root = DefaultRootWindow(display);
    const KeyCode space = XKeysymToKeycode(display, XK_space);
    // The pointer waits in a corner, so the program sees no motion.
    XWarpPointer(display, None, root, 0, 0, 0, 0, DisplayWidth(display, 0) - 1,
                 DisplayHeight(display, 0) - 1);
    XSelectInput(display, root, SubstructureNotifyMask);
    damage = XDamageCreate(display, root, XDamageReportNonEmpty);
    XSync(display, False);

    const double start = nowMs();
    launch(argv + 2);
    pumpUntil([] { return firstFrame >= 0; });
    if (firstFrame < 0) {
        fail("no frame drawn");
    }
    pumpUntilQuiet(firstFrame);

    const Cpu idleFrom = cpu();
    const double idleStart = nowMs();
    pump(idleStart + idleMs);
    const Cpu idleTo = cpu();
    const double idleSpan = nowMs() - idleStart;
    const double idleRate = (idleTo.ms - idleFrom.ms) / idleSpan; // CPU ms per ms

    // A key's CPU is counted from the press until the frame drawn for its release, less what the
    // program spends idle in that time: short spans, so the idle estimate weighs little.
    std::vector<double> latencies;
    double pressCpu = 0;
    for (int i = 0; i < presses && !exited(); ++i) {
        pump(nowMs() + pressSpacingMs);
        const double before = cpu().ms;
        keyPressed = nowMs();
        keyAnswered = -1;
        key(space, true);
        pumpUntil([] { return keyAnswered >= 0; });
        const long drawn = draws;
        key(space, false);
        pumpUntil([drawn] { return draws > drawn; }, pressSpacingMs);
        pressCpu += cpu().ms - before - idleRate * (nowMs() - keyPressed);
        latencies.push_back(keyAnswered < 0 ? -1 : keyAnswered - keyPressed);
    }
    std::sort(latencies.begin(), latencies.end());
    const long peak = peakMemoryKb();
    if (exited() || latencies.empty() || latencies.front() < 0) {
        fail("a key press changed nothing on the screen");
    }

    // The close button of a window manager: a WM_DELETE_WINDOW message. It comes after a random
    // pause, as a player's would: SDL's audio thread wakes once per period, and closing waits for
    // it, so a close request sent at the same moment of every run would time the same phase.
    pump(nowMs() + std::uniform_real_distribution<double>(0, closePhaseMs)(randomness));
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    const double closeStart = nowMs();
    XSendEvent(display, window, False, NoEventMask, &close);
    XFlush(display);
    pumpUntil([] { return false; }, closeTimeoutMs);
    const double closeEnd = nowMs();
    if (!exited()) {
        fail("the program did not exit on a close request");
    }
    if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
        fail("the program failed");
    }

    std::printf("start_to_first_frame_ms %.2f\n", firstFrame - start);
    std::printf("cpu_to_first_frame_ms %.2f\n", firstFrameCpu);
    std::printf("cpu_per_key_ms %.3f\n", pressCpu / presses);
    std::printf("key_to_pixels_ms %.2f\n", latencies[latencies.size() / 2]);
    std::printf("idle_wakeups_per_s %.1f\n",
                static_cast<double>(idleTo.slices - idleFrom.slices) * 1000 / idleSpan);
    std::printf("idle_cpu_ms_per_s %.3f\n", idleRate * 1000);
    std::printf("peak_memory_mb %.2f\n", static_cast<double>(peak) / 1024);
    std::printf("close_to_exit_ms %.2f\n", closeEnd - closeStart);
    XCloseDisplay(display);
    return 0;
}
