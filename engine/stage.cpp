#include "engine/stage.hpp"

#include "framework/misc.hpp"
#include "framework/sdl_error.hpp"
#include "framework/surface_calls.hpp"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

namespace Engine {

namespace {

[[nodiscard]] Framework::SurfacePtr makePanelSurface(int width, int height, int bitsPerPixel,
                                                     Uint8 alpha) {
    Framework::SurfacePtr surface =
        Framework::Misc::createSurface(SDL_SWSURFACE | SDL_SRCALPHA, width, height, bitsPerPixel);
    SDL_SetAlpha(surface.get(), SDL_SRCALPHA, alpha);
    Framework::prefaultPixels(surface.get());
    return surface;
}

// The picture is drawn on every frame: held in the screen's own pixel format, that is a copy
// instead of a conversion of every pixel, and the pixels that reach the screen are the same.
[[nodiscard]] Framework::SurfacePtr inScreenFormat(Framework::SurfacePtr image,
                                                   SDL_Surface* screen) {
    Framework::SurfacePtr converted(SDL_ConvertSurface(image.get(), screen->format, SDL_SWSURFACE));
    return converted ? std::move(converted) : std::move(image);
}

} // namespace

Framework::FontPtr openFont(const StoryLook& look) {
    Framework::FontPtr font(TTF_OpenFontIndex(look.fontPath, look.fontPointSize, 0));
    if (!font) {
        Framework::throwSdlError("TTF_OpenFontIndex");
    }
    return font;
}

GameResources loadResources(SDL_Surface* screen, const StoryLook& look) {
    // The framework's panel layout (a byte each for red, green and blue) needs 24 bits. Below that
    // the masks are cut: at 15 and 16 bits blue is lost and the panels turn yellow, and on a
    // palettised screen the blit fails. Such screens get 32-bit panels, which SDL blends onto them.
    const int screenDepth = screen->format->BitsPerPixel;
    const int bitsPerPixel = screenDepth < 24 ? 32 : screenDepth;
    const int panelWidth = screen->w * look.panelWidthFactor;
    const auto panelSurface = [&](int height) {
        return makePanelSurface(panelWidth, height, bitsPerPixel, look.panelAlpha);
    };
    Framework::SurfacePtr surfaceA = panelSurface(look.storyPanelHeight);
    Framework::SurfacePtr surfaceB = panelSurface(look.choicesPanelHeight);
    Framework::SurfacePtr surfaceC = panelSurface(look.bottomPanelHeight);

    const SDL_PixelFormat* format = surfaceA->format;
    const Uint32 black = SDL_MapRGBA(format, 0, 0, 0, 255);
    const Uint32 paleBlue = SDL_MapRGBA(format, 192, 192, 255, 255);

    Framework::FontPtr font = openFont(look);
    const auto panelOn = [&](const Framework::SurfacePtr& surface) {
        return Framework::newTextPanel(surface.get(), font.get(), Framework::RenderMode::Shaded,
                                       black, paleBlue, 0);
    };
    Framework::TextPanel panelA = panelOn(surfaceA);
    Framework::TextPanel panelB = panelOn(surfaceB);
    Framework::TextPanel panelC = panelOn(surfaceC);
    Framework::SurfacePtr background =
        inScreenFormat(Framework::loadImage(look.backgroundPath), screen);
    return {std::move(surfaceA),
            std::move(surfaceB),
            std::move(surfaceC),
            std::move(font),
            panelA,
            panelB,
            panelC,
            std::move(background)};
}

void release(GameResources& resources) noexcept {
    resources.font.reset();
    resources.surfaceA.reset();
    resources.surfaceB.reset();
    resources.surfaceC.reset();
    resources.background.reset();
}

FrameValues gameLoop(FrameValues values) {
    GamePlay play;
    return playLoop(values, play);
}

void playStory(SDL_Surface* screen, const Story& story, const StoryLook& look) {
    // SDL 1.2's timer thread would wake the process a thousand times a second while the player
    // reads, so it goes before anything else is loaded.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    GameResources resources = loadResources(screen, look);
    static_cast<void>(
        gameLoop({screen, SDL_MapRGB(screen->format, 0, 0, 0), resources.panelA, resources.panelB,
                  resources.panelC, resources.background.get(), initialEngineState(story)}));
    release(resources);
}

int runStoryGame(const StoryLook& look, const Framework::GameRoutine& game) noexcept try {
    Framework::runGame(look.screenWidth, look.screenHeight, look.caption, look.iconPath,
                       look.iconColorKey, look.audioFrequency, game);
    return EXIT_SUCCESS;
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return dynamic_cast<const Framework::NoAudioDevice*>(&error) != nullptr ? noAudioDeviceStatus
                                                                            : EXIT_FAILURE;
}

} // namespace Engine
