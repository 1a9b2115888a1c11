#include "engine/story_tool.hpp"

#include "engine/frame.hpp"
#include "engine/story_check.hpp"
#include "engine/story_map.hpp"
#include "framework/sdl_handles.hpp"

#include <SDL_ttf.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

namespace {

int check(const Story& story, const StoryLook& look) {
    // SDL_ttf needs no SDL_Init: it only reads the font file.
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "TTF_Init\nSDL message: %s\n", SDL_GetError());
        return 2;
    }
    int status = 0;
    {
        const FontPtr font(TTF_OpenFontIndex(look.fontPath, look.fontPointSize, 0));
        if (!font) {
            std::fprintf(stderr, "TTF_OpenFontIndex\nSDL message: %s\n", SDL_GetError());
            status = 2;
        } else {
            const TextFit fit{[&](std::string_view run) {
                                  int width = 0;
                                  int height = 0;
                                  TTF_SizeUTF8(font.get(), std::string(run).c_str(), &width,
                                               &height);
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
            status = findings.empty() ? 0 : 1;
        }
    }
    TTF_Quit();
    return status;
}

} // namespace

int storyToolMain(int argc, char** argv, const Story& story, const StoryLook& look) {
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
}
