#include "engine/story_tool.hpp"

#include "engine/frame.hpp"
#include "engine/story_check.hpp"
#include "engine/story_map.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"

#include <SDL_ttf.h>

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

namespace {

// SDL_ttf alone: it needs no SDL_Init to read a font file.
struct FontLibrary {
    FontLibrary() {
        if (TTF_Init() != 0) {
            throwSdlError("TTF_Init");
        }
    }
    ~FontLibrary() { TTF_Quit(); }
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;
};

int check(const Story& story, const StoryLook& look) {
    const FontLibrary library;
    const FontPtr font(TTF_OpenFontIndex(look.fontPath, look.fontPointSize, 0));
    if (!font) {
        throwSdlError("TTF_OpenFontIndex");
    }
    const TextFit fit{[&](std::string_view run) {
                          int width = 0;
                          int height = 0;
                          TTF_SizeUTF8(font.get(), std::string(run).c_str(), &width, &height);
                          return width;
                      },
                      TTF_FontLineSkip(font.get()), look.screenWidth - 2 * panelX,
                      look.storyPanelHeight, look.choicesPanelHeight};
    std::vector<Finding> findings = checkShape(story);
    for (Finding& finding : checkFit(story, fit)) {
        findings.push_back(std::move(finding));
    }
    for (const Finding& finding : findings) {
        std::cout << describe(finding) << '\n';
    }
    return findings.empty() ? 0 : 1;
}

} // namespace

int storyToolMain(int argc, char** argv, const Story& story, const StoryLook& look) try {
    const std::string_view command = argc == 2 ? argv[1] : "";
    if (command == "map") {
        writeStoryMap(story, std::cout);
        return 0;
    }
    if (command == "check") {
        return check(story, look);
    }
    std::fprintf(stderr, "usage: %s map|check\n", argc > 0 ? argv[0] : "story");
    return 2;
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
}
