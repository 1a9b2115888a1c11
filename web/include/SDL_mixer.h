/* The browser build plays no sound: the mixer opens and closes and nothing more
   (framework/web/mixer_gfx.cpp). */
#ifndef GORUBADON_WEB_SDL_MIXER_H
#define GORUBADON_WEB_SDL_MIXER_H

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
void Mix_CloseAudio(void);

#define Mix_SetError SDL_SetError
#define Mix_GetError SDL_GetError

#ifdef __cplusplus
}
#endif

#endif
