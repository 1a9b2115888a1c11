// What a story game looks like: its font, its picture and the sizes of its panels. The frame puts
// the panels at fixed places (frame.hpp), so the heights here must leave them room.
#pragma once

#include <cstdint>

struct StoryLook {
    const char* fontPath = nullptr; // relative to the working directory, as the game runs
    int fontPointSize = 16;
    const char* backgroundPath = nullptr;
    int screenWidth = 320;
    int storyPanelHeight = 128;
    int choicesPanelHeight = 48;
    int bottomPanelHeight = 32;
    // The panels are far wider than the screen, so a line is cut only where the panel meets the
    // window's edge, never on the panel itself.
    int panelWidthFactor = 16;
    std::uint8_t panelAlpha = 192;
};
