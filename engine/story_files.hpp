// What the writer's tools read from disk, read safely: only regular files, of a bounded size, so
// that a pipe, a device or a folder named as a story (or as its picture) is refused at once with
// a line that says what it is, instead of blocking or filling memory.
#pragma once

#include "engine/look.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace Engine {

inline constexpr std::uintmax_t maxStoryFileBytes = std::uintmax_t{128} << 20;
inline constexpr std::uintmax_t maxPictureFileBytes = std::uintmax_t{32} << 20;

// The whole file, or why it is not read: "cannot be read", "is a directory, not a story file",
// "is not a regular file (a pipe, a device or a socket); ...", "is larger than 128 MB, ...".
// `what` names the file in those words: "a story file", "a picture".
struct FileBytes {
    std::string bytes;
    std::string problem; // empty when read
};
[[nodiscard]] FileBytes readRegularFile(const std::string& path, std::uintmax_t limit,
                                        const std::string& what);

// The problem readRegularFile would report, without reading the file; empty when there is none.
[[nodiscard]] std::string regularFileProblem(const std::string& path, std::uintmax_t limit,
                                             const std::string& what);

// Why the picture cannot be shown, loaded as the player loads it: "is not an image that can be
// shown (...)", and with a look to size it for, "is 640x480; the window is 320x240"; empty when
// there is nothing to say. The player shows a picture of another size, cut or framed in black.
[[nodiscard]] std::string pictureProblem(const std::string& path, const StoryLook* sizedFor);

// Readies the environment for the player's window: sound off (the player plays none, and so needs
// no sound device), and the X driver where there is an X display. Where no window can be opened
// (no display, or only Wayland under classic SDL 1.2), the one line that says so.
[[nodiscard]] std::optional<std::string> prepareWindow();

} // namespace Engine
