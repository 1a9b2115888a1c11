// What the engine puts on the screen, told to the platform in words. The browser's page reads it
// to screen readers and offers the options as controls; the desktop has nobody to tell.
#pragma once

#include <string_view>

namespace Framework {

enum class Shown {
    ShownLine,        // a line written to the story panel, as the story has it
    ShownPageCleared, // the story panel cleared
    ShownOptions,     // options offered: one label a line
    ShownEnding,      // the story has reached an ending
};

// For ShownOptions, `top` is the screen row of the choices panel's first line and `lineSkip` the
// height of each line, so that a pointer on the picture can be told which option it is on.
void tellShown(Shown what, std::string_view text, int top = 0, int lineSkip = 0) noexcept;

} // namespace Framework
