// The game's fixed configuration: there is none at run time.
#pragma once

#include "engine/look.hpp"

#include <SDL.h>

#include <string_view>

namespace config {

inline constexpr int screenWidth = 320;
inline constexpr int screenHeight = 240;
inline constexpr std::string_view caption = "ゴルバドン";
inline constexpr const char* iconPath = "data/images/icon.bmp";
inline constexpr Uint32 iconColorKey = 15;
inline constexpr int audioFrequency = 44100;

inline constexpr const char* backgroundPath = "data/images/bg.jpg";
inline constexpr const char* fontPath = "data/fonts/aqua2_8/aquafont.ttf";
inline constexpr int fontPointSize = 16;
inline constexpr const char* savePath = "save.txt";

// The panels are far wider than the screen, so a line is cut only where the panel meets the
// window's edge, never on the panel itself.
inline constexpr int panelWidthFactor = 16;
inline constexpr int storyPanelHeight = 128;
inline constexpr int choicesPanelHeight = 48;
inline constexpr int bottomPanelHeight = 32;
inline constexpr Uint8 panelAlpha = 192;

inline constexpr StoryLook look{fontPath,          fontPointSize,    backgroundPath,
                                screenWidth,       storyPanelHeight, choicesPanelHeight,
                                bottomPanelHeight, panelWidthFactor, panelAlpha};

} // namespace config
