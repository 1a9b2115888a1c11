#include "game/setup.hpp"

#include "framework/event_wait.hpp"
#include "framework/misc.hpp"
#include "framework/native.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"
#include "game/config.hpp"
#include "game/story_script.hpp"

#include <SDL_image.h>
#include <SDL_ttf.h>

#include <utility>

namespace {

[[nodiscard]] SurfacePtr makePanelSurface(int width, int height, int bitsPerPixel) {
    SurfacePtr surface =
        Misc::createSurface(SDL_SWSURFACE | SDL_SRCALPHA, width, height, bitsPerPixel);
    SDL_SetAlpha(surface.get(), SDL_SRCALPHA, config::panelAlpha);
    prefaultPixels(surface.get());
    return surface;
}

[[nodiscard]] FontPtr openFont() {
    FontPtr font(TTF_OpenFontIndex(config::fontPath, config::fontPointSize, 0));
    if (!font) {
        throwSdlError("TTF_OpenFontIndex");
    }
    return font;
}

[[nodiscard]] SurfacePtr loadImage(const char* path) {
    SurfacePtr image(IMG_Load(path));
    if (!image) {
        throwSdlError("IMG_Load");
    }
    return image;
}

// The picture is drawn on every frame: held in the screen's own pixel format, that is a copy
// instead of a conversion of every pixel, and the pixels that reach the screen are the same.
[[nodiscard]] SurfacePtr inScreenFormat(SurfacePtr image, SDL_Surface* screen) {
    SurfacePtr converted(SDL_ConvertSurface(image.get(), screen->format, SDL_SWSURFACE));
    return converted ? std::move(converted) : std::move(image);
}

} // namespace

GameResources loadResources(SDL_Surface* screen) {
    // The framework's panel layout (a byte each for red, green and blue) needs 24 bits. Below that
    // the masks are cut: at 15 and 16 bits blue is lost and the panels turn yellow, and on a
    // palettised screen the blit fails. Such screens get 32-bit panels, which SDL blends onto them.
    const int screenDepth = screen->format->BitsPerPixel;
    const int bitsPerPixel = screenDepth < 24 ? 32 : screenDepth;
    const int panelWidth = screen->w * config::panelWidthFactor;
    SurfacePtr surfaceA = makePanelSurface(panelWidth, config::storyPanelHeight, bitsPerPixel);
    SurfacePtr surfaceB = makePanelSurface(panelWidth, config::choicesPanelHeight, bitsPerPixel);
    SurfacePtr surfaceC = makePanelSurface(panelWidth, config::bottomPanelHeight, bitsPerPixel);

    const SDL_PixelFormat* format = surfaceA->format;
    const Uint32 black = SDL_MapRGBA(format, 0, 0, 0, 255);
    const Uint32 paleBlue = SDL_MapRGBA(format, 192, 192, 255, 255);

    FontPtr font = openFont();
    const auto panelOn = [&](const SurfacePtr& surface) {
        return newTextPanel(surface.get(), font.get(), RenderMode::Shaded, black, paleBlue, 0);
    };
    TextPanel panelA = panelOn(surfaceA);
    TextPanel panelB = panelOn(surfaceB);
    TextPanel panelC = panelOn(surfaceC);
    SurfacePtr background = inScreenFormat(loadImage(config::backgroundPath), screen);
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

void gameSetup(SDL_Surface* screen) {
    // The game sets no timer. SDL 1.2's timer thread would wake the process a thousand times a
    // second while the player reads, so it goes before anything else is loaded.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    GameResources resources = loadResources(screen);
    const SaveFile saved = readSaveFile(config::savePath);
    // A file that was not a record may hold a player's typo: its bytes are kept beside it.
    const auto save = [&](const GameData& record) {
        saveGameData(config::savePath, record, saved.old);
    };
    // Play never changes the record, so the one read is the one to keep if play is cut off. The
    // guard stays up through the last save, so that a second SIGHUP cannot cut that short.
    const WaysOut cutOff{[&] { save(saved.data); }};
    save(gameMain(saved.data, resources.panelA, resources.panelB, resources.panelC,
                  resources.background.get()));
    release(resources);
}

GameData gameMain(const GameData& record, const TextPanel& panelA, const TextPanel& panelB,
                  const TextPanel& panelC, SDL_Surface* background) {
    SDL_Surface* screen = SDL_GetVideoSurface();
    const Uint32 black = SDL_MapRGB(screen->format, 0, 0, 0);
    static_cast<void>(gameLoop(
        {screen, black, panelA, panelB, panelC, background, initialEngineState(storyScript())}));
    return record;
}

FrameValues gameLoop(FrameValues values) {
    // An ordinary loop, not a call per frame: the stack stays flat however many events arrive.
    for (;;) {
        SDL_BlitSurface(values.background, nullptr, values.screen, nullptr);
        blitAt(panelSurface(values.panelA), values.screen, panelX, panelAY);
        std::optional<FrameValues> next = engineFrame(values);
        if (!next) {
            return values;
        }
        values = *next;
    }
}
