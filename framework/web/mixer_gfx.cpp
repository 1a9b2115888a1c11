// SDL_mixer and SDL_gfx as far as the browser build has them: the game plays no sound, and
// neither story draws a circle.
#include <SDL_gfxPrimitives.h>
#include <SDL_mixer.h>

extern "C" {

int Mix_OpenAudio(int /*frequency*/, Uint16 /*format*/, int /*channels*/, int /*chunksize*/) {
    return 0;
}

void Mix_CloseAudio(void) {}

int filledCircleColor(SDL_Surface* /*dst*/, Sint16 /*x*/, Sint16 /*y*/, Sint16 /*rad*/,
                      Uint32 /*color*/) {
    SDL_SetError("No circles in the browser build");
    return -1;
}

int filledCircleRGBA(SDL_Surface* /*dst*/, Sint16 /*x*/, Sint16 /*y*/, Sint16 /*rad*/, Uint8 /*r*/,
                     Uint8 /*g*/, Uint8 /*b*/, Uint8 /*a*/) {
    SDL_SetError("No circles in the browser build");
    return -1;
}

} // extern "C"
