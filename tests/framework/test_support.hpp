// Helpers shared by the framework tests: the test font, temporary directories, pixel access.
#pragma once

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace TestSupport {

// Headless unless the caller chose drivers: call before SDL_Init. (A ctest ENVIRONMENT property
// with two entries does not survive gtest_discover_tests, which splits the list at the semicolon.)
inline void useDummyDriversUnlessSet() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

// The game's font when it is in data/ already, else the system copy of VL Gothic it is made from.
inline std::string fontPath() {
    const std::filesystem::path game =
        std::filesystem::path(GORUBADON_SOURCE_ROOT) / "data/fonts/aqua2_8/aquafont.ttf";
    std::error_code ec;
    if (std::filesystem::exists(game, ec)) {
        return game.string();
    }
    return "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf";
}

// A fresh directory under the system temp dir, removed with its contents at scope exit.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "framework-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The raw pixel value at (x, y), for 1 to 4 bytes per pixel.
inline Uint32 pixelAt(SDL_Surface* surface, int x, int y) {
    SDL_LockSurface(surface);
    const int bpp = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * bpp;
    Uint32 value = 0;
    switch (bpp) {
    case 1:
        value = *p;
        break;
    case 2:
        value = *reinterpret_cast<const Uint16*>(p);
        break;
    case 3:
        value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? (p[0] | p[1] << 8 | p[2] << 16)
                                                : (p[0] << 16 | p[1] << 8 | p[2]);
        break;
    default:
        value = *reinterpret_cast<const Uint32*>(p);
        break;
    }
    SDL_UnlockSurface(surface);
    return value;
}

} // namespace TestSupport
