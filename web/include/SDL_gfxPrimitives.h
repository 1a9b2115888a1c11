/* The browser build has no SDL_gfx: its filled circles fail as SDL_gfx reports a failure
   (framework/web/mixer_gfx.cpp). Neither story draws one. */
#ifndef GORUBADON_WEB_SDL_GFXPRIMITIVES_H
#define GORUBADON_WEB_SDL_GFXPRIMITIVES_H

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

int filledCircleColor(SDL_Surface* dst, Sint16 x, Sint16 y, Sint16 rad, Uint32 color);
int filledCircleRGBA(SDL_Surface* dst, Sint16 x, Sint16 y, Sint16 rad, Uint8 r, Uint8 g, Uint8 b,
                     Uint8 a);

#ifdef __cplusplus
}
#endif

#endif
