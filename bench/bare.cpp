// The yardstick for the game's start-up, key and idle figures: a bare SDL 1.2 program that does
// only the work the game cannot avoid. It opens the window with audio, blits the picture and two
// wide translucent panels in the framework's pixel layout (red in the lowest byte), renders a
// 16-point line per key press and waits in SDL_WaitEvent.
// Measure it side by side with the game (see the README's performance section).
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <cstdio>

namespace {

// The framework's fixed layout. An X screen's differs, so SDL blends these pixel by pixel.
SDL_Surface* panel(int height, int bitsPerPixel) {
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 5120, height,
                                                bitsPerPixel, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    if (surface != nullptr) {
        SDL_SetAlpha(surface, SDL_SRCALPHA, 192);
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 192, 192, 255));
    }
    return surface;
}

int fail(const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, SDL_GetError());
    return 1;
}

} // namespace

int main(int, char**) {
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) == -1) {
        return fail("SDL_Init");
    }
    SDL_Surface* screen = SDL_SetVideoMode(320, 240, 0, SDL_SWSURFACE | SDL_DOUBLEBUF);
    if (screen == nullptr) {
        return fail("SDL_SetVideoMode");
    }
    SDL_WM_SetCaption("ゴルバドン", "");
    TTF_Init();
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 4096) != 0) {
        return fail("Mix_OpenAudio");
    }
    TTF_Font* font = TTF_OpenFont("data/fonts/aqua2_8/aquafont.ttf", 16);
    SDL_Surface* picture = IMG_Load("data/images/bg.jpg");
    // Below 24 bits the fixed layout does not fit: the game's panels then have 32.
    const int bitsPerPixel = screen->format->BitsPerPixel < 24 ? 32 : screen->format->BitsPerPixel;
    SDL_Surface* story = panel(128, bitsPerPixel);
    SDL_Surface* bottom = panel(32, bitsPerPixel);
    if (font == nullptr || picture == nullptr || story == nullptr || bottom == nullptr) {
        return fail("load");
    }
    const SDL_Color black = {0, 0, 0, 0};
    const SDL_Color paleBlue = {192, 192, 255, 0};

    int line = 0;
    for (bool running = true; running;) {
        SDL_BlitSurface(picture, nullptr, screen, nullptr);
        SDL_Rect storyAt = {8, 8, 0, 0};
        SDL_BlitSurface(story, nullptr, screen, &storyAt);
        SDL_Rect bottomAt = {8, 200, 0, 0};
        SDL_BlitSurface(bottom, nullptr, screen, &bottomAt);
        SDL_Flip(screen);
        SDL_Event event;
        if (SDL_WaitEvent(&event) == 0) {
            break;
        }
        if (event.type == SDL_QUIT) {
            running = false;
        } else if (event.type == SDL_KEYDOWN) {
            SDL_Surface* text =
                TTF_RenderUTF8_Shaded(font, "ゴルバドンの道は続く。", black, paleBlue);
            if (text != nullptr) {
                SDL_Rect pen = {0, static_cast<Sint16>(16 * (line++ % 8)), 0, 0};
                SDL_BlitSurface(text, nullptr, story, &pen);
                SDL_FreeSurface(text);
            }
        }
    }
    SDL_FreeSurface(bottom);
    SDL_FreeSurface(story);
    SDL_FreeSurface(picture);
    TTF_CloseFont(font);
    Mix_CloseAudio();
    TTF_Quit();
    SDL_Quit();
    return 0;
}
