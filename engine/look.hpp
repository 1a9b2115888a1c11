// What a story game looks like: its window, its font, its picture and the sizes of its panels. The
// frame stacks the panels from the window's top with a margin around and between them (frame.hpp),
// so the heights here must leave them room in screenHeight.
#pragma once

#include <cstdint>

struct StoryLook {
    const char* caption = ""; // UTF-8
    // Paths are relative to the working directory, as the game runs.
    const char* iconPath = "";
    std::uint32_t iconColorKey = 15; // the raw pixel value of the icon's transparent parts
    int screenWidth = 320;
    int screenHeight = 240;
    int audioFrequency = 44100;
    const char* fontPath = nullptr;
    int fontPointSize = 16;
    const char* backgroundPath = nullptr;
    int storyPanelHeight = 128;
    int choicesPanelHeight = 48;
    int bottomPanelHeight = 32;
    // The panels are far wider than the screen, so a line is cut only where the panel meets the
    // window's edge, never on the panel itself.
    int panelWidthFactor = 16;
    std::uint8_t panelAlpha = 192;
};
