// SDL_ttf's calls in the browser build, on FreeType through FontRaster.
#include "framework/font_raster.hpp"

#include <SDL_ttf.h>

struct _TTF_Font {
    std::unique_ptr<Framework::FontRaster> raster;
};

namespace {
int initialised = 0;
} // namespace

extern "C" {

int TTF_Init(void) {
    ++initialised;
    return 0;
}

void TTF_Quit(void) {
    if (initialised > 0) {
        --initialised;
    }
}

int TTF_WasInit(void) {
    return initialised;
}

TTF_Font* TTF_OpenFontIndex(const char* file, int ptsize, long index) {
    std::unique_ptr<Framework::FontRaster> raster =
        Framework::FontRaster::open(file, ptsize, index);
    return raster ? new TTF_Font{std::move(raster)} : nullptr;
}

TTF_Font* TTF_OpenFont(const char* file, int ptsize) {
    return TTF_OpenFontIndex(file, ptsize, 0);
}

void TTF_CloseFont(TTF_Font* font) {
    delete font;
}

int TTF_FontHeight(const TTF_Font* font) {
    return font->raster->height();
}

int TTF_FontAscent(const TTF_Font* font) {
    return font->raster->ascent();
}

int TTF_FontDescent(const TTF_Font* font) {
    return font->raster->descent();
}

int TTF_FontLineSkip(const TTF_Font* font) {
    return font->raster->lineSkip();
}

int TTF_SizeUTF8(TTF_Font* font, const char* text, int* w, int* h) {
    return font->raster->size(text, w, h) ? 0 : -1;
}

SDL_Surface* TTF_RenderUTF8_Solid(TTF_Font* font, const char* text, SDL_Color fg) {
    return font->raster->renderSolid(text, fg).release();
}

SDL_Surface* TTF_RenderUTF8_Shaded(TTF_Font* font, const char* text, SDL_Color fg, SDL_Color bg) {
    return font->raster->renderShaded(text, fg, bg).release();
}

SDL_Surface* TTF_RenderUTF8_Blended(TTF_Font* font, const char* text, SDL_Color fg) {
    return font->raster->renderBlended(text, fg).release();
}

} // extern "C"
