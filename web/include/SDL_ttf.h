/* What the browser build's SDL_ttf offers the game: SDL_ttf 2.0's calls that the framework and
   the engine make, drawn by framework/font_raster.cpp on FreeType (framework/web/ttf.cpp). */
#ifndef GORUBADON_WEB_SDL_TTF_H
#define GORUBADON_WEB_SDL_TTF_H

#include "SDL.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _TTF_Font TTF_Font;

int TTF_Init(void);
void TTF_Quit(void);
int TTF_WasInit(void);
TTF_Font* TTF_OpenFont(const char* file, int ptsize);
TTF_Font* TTF_OpenFontIndex(const char* file, int ptsize, long index);
void TTF_CloseFont(TTF_Font* font);
int TTF_FontHeight(const TTF_Font* font);
int TTF_FontAscent(const TTF_Font* font);
int TTF_FontDescent(const TTF_Font* font);
int TTF_FontLineSkip(const TTF_Font* font);
int TTF_SizeUTF8(TTF_Font* font, const char* text, int* w, int* h);
SDL_Surface* TTF_RenderUTF8_Solid(TTF_Font* font, const char* text, SDL_Color fg);
SDL_Surface* TTF_RenderUTF8_Shaded(TTF_Font* font, const char* text, SDL_Color fg, SDL_Color bg);
SDL_Surface* TTF_RenderUTF8_Blended(TTF_Font* font, const char* text, SDL_Color fg);

#define TTF_SetError SDL_SetError
#define TTF_GetError SDL_GetError

#ifdef __cplusplus
}
#endif

#endif
