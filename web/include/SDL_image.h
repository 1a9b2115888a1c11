/* The browser build's image loading: the browser decodes JPEG and PNG files as the page loads
   them, SDL reads BMP (framework/web/image.cpp). */
#ifndef GORUBADON_WEB_SDL_IMAGE_H
#define GORUBADON_WEB_SDL_IMAGE_H

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

SDL_Surface* IMG_Load(const char* file);

#define IMG_SetError SDL_SetError
#define IMG_GetError SDL_GetError

#ifdef __cplusplus
}
#endif

#endif
