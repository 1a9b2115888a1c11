// IMG_Load in the browser build. The page has the browser decode each JPEG and PNG as the data
// arrives (web/pre.js), with no colour management, which gives SDL_image's pixels; BMP files
// SDL reads itself.
#include <SDL_image.h>

#include <emscripten.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace {

// Width and height of the decoded picture at `path`, or 0 when the page has none.
EM_JS(int, decodedWidth, (const char* path), {
    const image =
        Module.gorubadonImages && Module.gorubadonImages[PATH_FS.resolve(UTF8ToString(path))];
    return image ? image.width : 0;
});
EM_JS(int, decodedHeight, (const char* path),
      { return Module.gorubadonImages[PATH_FS.resolve(UTF8ToString(path))].height; });
// Its RGBA bytes, row after row.
EM_JS(void, copyDecoded, (const char* path, Uint8* out),
      { HEAPU8.set(Module.gorubadonImages[PATH_FS.resolve(UTF8ToString(path))].data, out); });

} // namespace

extern "C" SDL_Surface* IMG_Load(const char* file) {
    const std::string_view name(file);
    if (name.ends_with(".bmp") || name.ends_with(".BMP")) {
        return SDL_LoadBMP(file);
    }
    const int w = decodedWidth(file);
    if (w == 0) {
        SDL_SetError("Couldn't open %s", file);
        return nullptr;
    }
    const int h = decodedHeight(file);
    // 24-bit RGB with red first in memory, as SDL_image hands out a JPEG.
    SDL_Surface* surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0x0000FFU, 0x00FF00U, 0xFF0000U, 0);
    if (surface == nullptr) {
        return nullptr;
    }
    std::vector<Uint8> rgba(static_cast<std::size_t>(w) * h * 4);
    copyDecoded(file, rgba.data());
    for (int y = 0; y < h; ++y) {
        Uint8* row =
            static_cast<Uint8*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
        const Uint8* in = rgba.data() + static_cast<std::ptrdiff_t>(y) * w * 4;
        for (int x = 0; x < w; ++x) {
            std::memcpy(row + x * 3, in + x * 4, 3);
        }
    }
    return surface;
}
