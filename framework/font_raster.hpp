// Text drawn with FreeType into SDL surfaces, pixel for pixel as SDL_ttf 2.0.11 draws it: the
// browser build has FreeType but no SDL_ttf, and its TTF_ functions (web/ttf.cpp) are these.
// Normal style, kerning on, normal hinting: what SDL_ttf gives a font it has just opened.
#pragma once

#include "framework/sdl_handles.hpp"

#include <SDL.h>

#include <memory>
#include <string>
#include <string_view>

namespace Framework {

class FontRaster {
  public:
    // Nothing when FreeType cannot open the file at this size; SDL's error then says why.
    [[nodiscard]] static std::unique_ptr<FontRaster> open(const char* path, int pointSize,
                                                          long faceIndex);
    ~FontRaster();
    FontRaster(const FontRaster&) = delete;
    FontRaster& operator=(const FontRaster&) = delete;

    [[nodiscard]] int height() const noexcept { return height_; }
    [[nodiscard]] int ascent() const noexcept { return ascent_; }
    [[nodiscard]] int descent() const noexcept { return descent_; }
    [[nodiscard]] int lineSkip() const noexcept { return lineSkip_; }

    // TTF_SizeUTF8: false (SDL's error set) when a glyph cannot be loaded.
    bool size(std::string_view utf8, int* width, int* height);
    // TTF_RenderUTF8_Solid, _Shaded and _Blended: nothing (SDL's error set) for text of no width.
    [[nodiscard]] SurfacePtr renderSolid(std::string_view utf8, SDL_Color fg);
    [[nodiscard]] SurfacePtr renderShaded(std::string_view utf8, SDL_Color fg, SDL_Color bg);
    [[nodiscard]] SurfacePtr renderBlended(std::string_view utf8, SDL_Color fg);

    struct Face; // FreeType's handles, kept out of this header

  private:
    explicit FontRaster(std::unique_ptr<Face> face);
    // A surface as large as the text, or nothing (SDL's error set) for text of no width.
    SurfacePtr textSurface(std::string_view utf8, int depth, Uint32 rmask, Uint32 gmask,
                           Uint32 bmask, Uint32 amask);
    std::unique_ptr<Face> face_;
    int height_ = 0;
    int ascent_ = 0;
    int descent_ = 0;
    int lineSkip_ = 0;
};

// The UTF-16 units SDL_ttf 2.0.11 reads from UTF-8: a lead byte takes its continuation bytes
// unchecked, and a four-byte sequence keeps only its low 16 bits.
[[nodiscard]] std::u16string sdlTtfUnits(std::string_view utf8);

} // namespace Framework
