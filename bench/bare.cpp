// The yardstick for the game's start-up, key and idle figures: a bare SDL 1.2 program that does
// only the work the game cannot avoid. It opens the window with audio, blits the picture and one
// wide translucent panel, renders a 16-point line per key press and waits in SDL_WaitEvent.
// Measure it side by side with the game (see the README's performance section).
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <cstdio>

namespace {

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
    SDL_Surface* panel = SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 5120, 128,
                                              screen->format->BitsPerPixel, 0, 0, 0, 0);
    if (font == nullptr || picture == nullptr || panel == nullptr) {
        return fail("load");
    }
    SDL_SetAlpha(panel, SDL_SRCALPHA, 192);
    const SDL_Color black = {0, 0, 0, 0};
    const SDL_Color paleBlue = {192, 192, 255, 0};
    SDL_FillRect(panel, nullptr, SDL_MapRGB(panel->format, 192, 192, 255));

    int line = 0;
    for (bool running = true; running;) {
        SDL_BlitSurface(picture, nullptr, screen, nullptr);
        SDL_Rect at = {10, 10, 0, 0};
        SDL_BlitSurface(panel, nullptr, screen, &at);
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
                SDL_BlitSurface(text, nullptr, panel, &pen);
                SDL_FreeSurface(text);
            }
        }
    }
    SDL_FreeSurface(panel);
    SDL_FreeSurface(picture);
    TTF_CloseFont(font);
    Mix_CloseAudio();
    TTF_Quit();
    SDL_Quit();
    return 0;
}
