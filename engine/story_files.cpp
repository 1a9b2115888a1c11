#include "engine/story_files.hpp"

#include "framework/posix/fd.hpp"
#include "framework/sdl_handles.hpp"

#include <SDL.h>
#include <SDL_image.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Engine {

namespace {

std::string tooLarge(std::uintmax_t limit, const std::string& what) {
    return "is larger than " + std::to_string(limit >> 20) + " MB, the most " + what + " may be";
}

std::string problemOf(const struct stat& info, std::uintmax_t limit, const std::string& what) {
    if (S_ISDIR(info.st_mode)) {
        return "is a directory, not " + what;
    }
    if (!S_ISREG(info.st_mode)) {
        return "is not a regular file (a pipe, a device or a socket); " + what +
               " is read only from a file";
    }
    if (static_cast<std::uintmax_t>(info.st_size) > limit) {
        return tooLarge(limit, what);
    }
    return {};
}

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

FileBytes readRegularFile(const std::string& path, std::uintmax_t limit, const std::string& what) {
    // Without blocking: opening a pipe for reading would wait for a writer.
    const Framework::Fd file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        return {{}, "cannot be read"};
    }
    if (std::string problem = problemOf(info, limit, what); !problem.empty()) {
        return {{}, std::move(problem)};
    }
    FileBytes read;
    // A byte more than the file holds, so that its end is seen without growing the buffer.
    read.bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t have = 0;
    for (;;) {
        // A file that grows as it is read is read up to one byte past the limit.
        if (have == read.bytes.size()) {
            if (have > limit) {
                return {{}, tooLarge(limit, what)};
            }
            read.bytes.resize(std::min<std::uintmax_t>(limit + 1, have + (have >> 1) + 4096));
        }
        const ssize_t got = ::read(file.get(), read.bytes.data() + have, read.bytes.size() - have);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {{}, "cannot be read"};
        }
        have += static_cast<std::size_t>(got);
    }
    read.bytes.resize(have);
    return read;
}

std::string regularFileProblem(const std::string& path, std::uintmax_t limit,
                               const std::string& what) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) {
        return "cannot be opened";
    }
    return problemOf(info, limit, what);
}

std::string pictureProblem(const std::string& path, const StoryLook* sizedFor) {
    if (std::string problem = regularFileProblem(path, maxPictureFileBytes, "a picture");
        !problem.empty()) {
        return problem;
    }
    const Framework::SurfacePtr image(IMG_Load(path.c_str()));
    if (!image) {
        return std::string("is not an image that can be shown (") + SDL_GetError() + ")";
    }
    if (sizedFor != nullptr &&
        (image->w != sizedFor->screenWidth || image->h != sizedFor->screenHeight)) {
        return "is " + std::to_string(image->w) + "x" + std::to_string(image->h) +
               "; the window is " + std::to_string(sizedFor->screenWidth) + "x" +
               std::to_string(sizedFor->screenHeight);
    }
    return {};
}

std::optional<std::string> prepareWindow() {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::setenv("SDL_AUDIO_DRIVER", "dummy", 1);
    // SDL 1.2 and 2 read SDL_VIDEODRIVER, SDL 3 (beneath sdl12-compat) SDL_VIDEO_DRIVER.
    if (isSet("SDL_VIDEODRIVER") || isSet("SDL_VIDEO_DRIVER")) {
        return std::nullopt;
    }
    if (isSet("DISPLAY")) {
        // Under Wayland with XWayland, SDL 2 and 3 would poll Wayland instead of sleeping on X.
        ::setenv("SDL_VIDEODRIVER", "x11", 1);
        ::setenv("SDL_VIDEO_DRIVER", "x11", 1);
        return std::nullopt;
    }
    // Classic SDL would draw the window as text art over the terminal instead.
    if (!isSet("WAYLAND_DISPLAY")) {
        return "no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set";
    }
    // sdl12-compat, which talks Wayland, calls itself 1.2.50 or later.
    if (const SDL_version* linked = SDL_Linked_Version(); linked != nullptr && linked->patch < 50) {
        return "no X display to open the window on (DISPLAY is not set), and classic SDL 1.2 has "
               "no Wayland driver: install sdl12-compat, or XWayland";
    }
    return std::nullopt;
}

} // namespace Engine
