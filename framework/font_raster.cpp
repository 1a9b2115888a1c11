#include "framework/font_raster.hpp"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

namespace Framework {

namespace {

// SDL_ttf's rounding of 26.6 values.
constexpr int ceil26(FT_Pos x) noexcept {
    return static_cast<int>(((x + 63) & -64) / 64);
}
constexpr int floor26(FT_Pos x) noexcept {
    return static_cast<int>((x & -64) / 64);
}

constexpr char16_t bomNative = 0xFEFF;
constexpr char16_t bomSwapped = 0xFFFE;
constexpr int grays = 256;

// A glyph's box, advance and coverage: one byte a pixel, 0 or 1 for Solid, 0..255 otherwise.
struct Glyph {
    FT_UInt index = 0;
    int minx = 0;
    int maxx = 0;
    int miny = 0;
    int maxy = 0;
    int yoffset = 0;
    int advance = 0;
    int rows = 0;
    int width = 0;
    int pitch = 0;
    std::vector<unsigned char> pixels;
};

} // namespace

struct FontRaster::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::map<std::pair<char16_t, bool>, Glyph> glyphs;
    ~Face() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
    const Glyph* glyph(char16_t ch, bool mono, int ascent);
};

const Glyph* FontRaster::Face::glyph(char16_t ch, bool mono, int ascent) {
    const auto key = std::make_pair(ch, mono);
    if (const auto found = glyphs.find(key); found != glyphs.end()) {
        return &found->second;
    }
    Glyph g;
    g.index = FT_Get_Char_Index(face, ch);
    if (FT_Load_Glyph(face, g.index, FT_LOAD_DEFAULT) != 0) {
        SDL_SetError("Couldn't load glyph");
        return nullptr;
    }
    const FT_Glyph_Metrics& m = face->glyph->metrics;
    g.minx = floor26(m.horiBearingX);
    g.maxx = g.minx + ceil26(m.width);
    g.maxy = floor26(m.horiBearingY);
    g.miny = g.maxy - ceil26(m.height);
    g.yoffset = ascent - g.maxy;
    g.advance = ceil26(m.horiAdvance);
    if (FT_Render_Glyph(face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) {
        SDL_SetError("Couldn't render glyph");
        return nullptr;
    }
    const FT_Bitmap& src = face->glyph->bitmap;
    g.rows = static_cast<int>(src.rows);
    g.width = static_cast<int>(src.width);
    // A one-bit bitmap comes out a byte a pixel, eight to each source byte.
    const bool bits = src.pixel_mode == FT_PIXEL_MODE_MONO;
    g.pitch = bits ? src.pitch * 8 : src.pitch;
    g.pixels.assign(static_cast<std::size_t>(g.pitch) * g.rows, 0);
    for (int row = 0; row < g.rows; ++row) {
        const unsigned char* s = src.buffer + static_cast<std::ptrdiff_t>(row) * src.pitch;
        unsigned char* d = g.pixels.data() + static_cast<std::ptrdiff_t>(row) * g.pitch;
        if (bits) {
            const unsigned char on = mono ? 1 : grays - 1;
            for (int j = 0; j < g.width; j += 8) {
                const unsigned c = *s++;
                for (int k = 0; k < 8; ++k) {
                    *d++ = (c & (0x80U >> k)) != 0 ? on : 0;
                }
            }
        } else if (mono) {
            for (int j = 0; j < g.width; ++j) {
                *d++ = s[j] >= 0x80 ? 1 : 0;
            }
        } else {
            std::memcpy(d, s, static_cast<std::size_t>(src.pitch));
        }
    }
    return &glyphs.emplace(key, std::move(g)).first->second;
}

std::u16string sdlTtfUnits(std::string_view utf8) {
    std::u16string out;
    const auto byte = [&](std::size_t i) -> unsigned {
        return i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0U;
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned ch = byte(i);
        if (ch >= 0xF0) {
            ch = (byte(i) & 0x07U) << 18;
            ch |= (byte(++i) & 0x3FU) << 12;
            ch |= (byte(++i) & 0x3FU) << 6;
            ch |= byte(++i) & 0x3FU;
        } else if (ch >= 0xE0) {
            ch = (byte(i) & 0x0FU) << 12;
            ch |= (byte(++i) & 0x3FU) << 6;
            ch |= byte(++i) & 0x3FU;
        } else if (ch >= 0xC0) {
            ch = (byte(i) & 0x1FU) << 6;
            ch |= byte(++i) & 0x3FU;
        }
        // SDL_ttf keeps a unit in 16 bits and stops at a zero one.
        if (static_cast<char16_t>(ch) == 0) {
            break;
        }
        out.push_back(static_cast<char16_t>(ch));
    }
    return out;
}

std::unique_ptr<FontRaster> FontRaster::open(const char* path, int pointSize, long faceIndex) {
    // SDL_ttf opens the file through SDL first, and so words a missing one as SDL does.
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    SDL_RWclose(file);
    auto face = std::make_unique<Face>();
    if (FT_Init_FreeType(&face->library) != 0) {
        SDL_SetError("Couldn't init FreeType engine");
        return nullptr;
    }
    if (FT_New_Face(face->library, path, faceIndex, &face->face) != 0) {
        SDL_SetError("Couldn't load font file");
        return nullptr;
    }
    FT_Face f = face->face;
    // The first Unicode or symbol map, as SDL_ttf picks it.
    for (int i = 0; i < f->num_charmaps; ++i) {
        const FT_CharMap map = f->charmaps[i];
        if ((map->platform_id == 3 && (map->encoding_id == 1 || map->encoding_id == 0)) ||
            (map->platform_id == 2 && map->encoding_id == 1) || map->platform_id == 0) {
            FT_Set_Charmap(f, map);
            break;
        }
    }
    if (!FT_IS_SCALABLE(f) || FT_Set_Char_Size(f, 0, pointSize * 64, 0, 0) != 0) {
        SDL_SetError("Couldn't set font size");
        return nullptr;
    }
    const FT_Fixed scale = f->size->metrics.y_scale;
    std::unique_ptr<FontRaster> font(new FontRaster(std::move(face)));
    font->ascent_ = ceil26(FT_MulFix(f->ascender, scale));
    font->descent_ = ceil26(FT_MulFix(f->descender, scale));
    font->height_ = font->ascent_ - font->descent_ + 1;
    font->lineSkip_ = ceil26(FT_MulFix(f->height, scale));
    return font;
}

FontRaster::FontRaster(std::unique_ptr<Face> face) : face_(std::move(face)) {}

FontRaster::~FontRaster() = default;

namespace {

// The characters SDL_ttf draws for the units: byte order marks are skipped, and one of the other
// order makes it swap the bytes of the units after it (until a mark of this order).
std::u16string drawnUnits(std::string_view utf8) {
    std::u16string out;
    bool swapped = false;
    for (const char16_t c : sdlTtfUnits(utf8)) {
        if (c == bomNative || c == bomSwapped) {
            swapped = c == bomSwapped;
            continue;
        }
        out.push_back(swapped ? static_cast<char16_t>((c << 8) | (c >> 8)) : c);
    }
    return out;
}

bool useKerning(FT_Face face) noexcept {
    return FT_HAS_KERNING(face);
}

FT_Pos kerning(FT_Face face, FT_UInt previous, FT_UInt index) noexcept {
    FT_Vector delta{};
    FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta);
    return delta.x >> 6;
}

} // namespace

bool FontRaster::size(std::string_view utf8, int* width, int* height) {
    const std::u16string text = drawnUnits(utf8);
    const bool kern = useKerning(face_->face);
    int minx = 0;
    int maxx = 0;
    int miny = 0;
    int x = 0;
    FT_UInt previous = 0;
    for (const char16_t c : text) {
        const Glyph* g = face_->glyph(c, false, ascent_);
        if (g == nullptr) {
            return false;
        }
        if (kern && previous != 0 && g->index != 0) {
            x += static_cast<int>(kerning(face_->face, previous, g->index));
        }
        minx = std::min(minx, x + g->minx);
        maxx = std::max(maxx, x + std::max(g->advance, g->maxx));
        x += g->advance;
        miny = std::min(miny, g->miny);
        previous = g->index;
    }
    if (width != nullptr) {
        *width = maxx - minx;
    }
    if (height != nullptr) {
        *height = std::max(ascent_ - miny, height_);
    }
    return true;
}

namespace {

// Where each glyph's coverage goes on a surface of `bytesPerPixel`: SDL_ttf's walk, shared by the
// three renderers. `put` gets a destination pixel address and a coverage byte.
template <class Put>
bool drawGlyphs(FontRaster::Face& face, const std::u16string& text, int ascent, bool mono,
                SDL_Surface* surface, int bytesPerPixel, Put put) {
    const bool kern = useKerning(face.face);
    auto* const base = static_cast<Uint8*>(surface->pixels);
    const Uint8* const end = base + static_cast<std::ptrdiff_t>(surface->pitch) * surface->h;
    int xstart = 0;
    FT_UInt previous = 0;
    bool first = true;
    for (const char16_t c : text) {
        const Glyph* g = face.glyph(c, mono, ascent);
        if (g == nullptr) {
            return false;
        }
        // FreeType may give a bitmap wider than the glyph's box.
        const int width = std::min(g->width, g->maxx - g->minx);
        if (kern && previous != 0 && g->index != 0) {
            xstart += static_cast<int>(kerning(face.face, previous, g->index));
        }
        if (first && g->minx < 0) {
            xstart -= g->minx;
        }
        first = false;
        for (int row = 0; row < g->rows; ++row) {
            const int y = row + g->yoffset;
            if (y < 0 || y >= surface->h) {
                continue;
            }
            Uint8* dst = base + static_cast<std::ptrdiff_t>(y) * surface->pitch +
                         static_cast<std::ptrdiff_t>(xstart + g->minx) * bytesPerPixel;
            const unsigned char* src =
                g->pixels.data() + static_cast<std::ptrdiff_t>(row) * g->pitch;
            for (int col = width; col > 0 && dst < end; --col) {
                put(dst, *src++);
                dst += bytesPerPixel;
            }
        }
        xstart += g->advance;
        previous = g->index;
    }
    return true;
}

} // namespace

SurfacePtr FontRaster::textSurface(std::string_view utf8, int depth, Uint32 rmask, Uint32 gmask,
                                   Uint32 bmask, Uint32 amask) {
    int width = 0;
    int height = 0;
    if (!size(utf8, &width, &height) || width == 0) {
        SDL_SetError("Text has zero width");
        return nullptr;
    }
    return SurfacePtr(
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, depth, rmask, gmask, bmask, amask));
}

SurfacePtr FontRaster::renderSolid(std::string_view utf8, SDL_Color fg) {
    SurfacePtr surface = textSurface(utf8, 8, 0, 0, 0, 0);
    if (!surface) {
        return nullptr;
    }
    SDL_Color colors[2] = {{static_cast<Uint8>(255 - fg.r), static_cast<Uint8>(255 - fg.g),
                            static_cast<Uint8>(255 - fg.b), 0},
                           {fg.r, fg.g, fg.b, 0}};
    SDL_SetColors(surface.get(), colors, 0, 2);
    SDL_SetColorKey(surface.get(), SDL_SRCCOLORKEY, 0);
    if (!drawGlyphs(*face_, drawnUnits(utf8), ascent_, true, surface.get(), 1,
                    [](Uint8* d, unsigned char v) { *d |= v; })) {
        return nullptr;
    }
    return surface;
}

SurfacePtr FontRaster::renderShaded(std::string_view utf8, SDL_Color fg, SDL_Color bg) {
    SurfacePtr surface = textSurface(utf8, 8, 0, 0, 0, 0);
    if (!surface) {
        return nullptr;
    }
    SDL_Color colors[grays];
    const int dr = fg.r - bg.r;
    const int dg = fg.g - bg.g;
    const int db = fg.b - bg.b;
    for (int i = 0; i < grays; ++i) {
        colors[i] = {static_cast<Uint8>(bg.r + i * dr / (grays - 1)),
                     static_cast<Uint8>(bg.g + i * dg / (grays - 1)),
                     static_cast<Uint8>(bg.b + i * db / (grays - 1)), 0};
    }
    SDL_SetColors(surface.get(), colors, 0, grays);
    if (!drawGlyphs(*face_, drawnUnits(utf8), ascent_, false, surface.get(), 1,
                    [](Uint8* d, unsigned char v) { *d |= v; })) {
        return nullptr;
    }
    return surface;
}

SurfacePtr FontRaster::renderBlended(std::string_view utf8, SDL_Color fg) {
    SurfacePtr surface = textSurface(utf8, 32, 0x00FF0000U, 0x0000FF00U, 0x000000FFU, 0xFF000000U);
    if (!surface) {
        return nullptr;
    }
    const Uint32 pixel = (Uint32{fg.r} << 16) | (Uint32{fg.g} << 8) | fg.b;
    SDL_FillRect(surface.get(), nullptr, pixel);
    if (!drawGlyphs(*face_, drawnUnits(utf8), ascent_, false, surface.get(), 4,
                    [pixel](Uint8* d, unsigned char v) {
                        Uint32 p = 0;
                        std::memcpy(&p, d, sizeof p);
                        p |= pixel | (Uint32{v} << 24);
                        std::memcpy(d, &p, sizeof p);
                    })) {
        return nullptr;
    }
    return surface;
}

} // namespace Framework
