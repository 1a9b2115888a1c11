// What a story game looks like: its window, its font, its picture and the sizes of its panels. The
// frame stacks the panels from the window's top with a margin around and between them (frame.hpp),
// so the heights here must leave them room in screenHeight. A game says only what differs.
#pragma once

#include <cstdint>

namespace Engine {

struct StoryLook {
    const char* caption = ""; // UTF-8
    int screenWidth = 320;
    int screenHeight = 240;
    int audioFrequency = 44100;
    // Relative to the working directory, as the game runs: the data/ that comes with the games.
    // The build reads these lines (look.cmake) to install and publish the files they name.
    const char* iconPath = "data/images/icon.bmp";
    std::uint32_t iconColorKey = 15; // the raw pixel value of the icon's transparent parts
    const char* fontPath = "data/fonts/aqua2_8/aquafont.ttf";
    int fontPointSize = 16;
    const char* backgroundPath = "data/images/bg.jpg";
    int storyPanelHeight = 128;
    int choicesPanelHeight = 48;
    int bottomPanelHeight = 32;
    std::uint8_t panelAlpha = 192;
    // The panels are far wider than the screen, so a line is cut only where the panel meets the
    // window's edge, never on the panel itself.
    int panelWidthFactor = 16;
};

} // namespace Engine
