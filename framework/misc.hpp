// Misc: small surface utilities shared by games and the other framework modules.
#pragma once

#include "framework/sdl_handles.hpp"

#include <SDL.h>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

namespace Framework::Misc {

// A rectangle as the framework computes with it: signed machine-word integers, converted to
// SDL_Rect (16-bit fields) only when handed to SDL.
struct Rect {
    std::ptrdiff_t x = 0;
    std::ptrdiff_t y = 0;
    std::ptrdiff_t w = 0;
    std::ptrdiff_t h = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
    Uint8 red = 0;
    Uint8 green = 0;
    Uint8 blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Build-time byte-order switch of createSurface. Set for little-endian machines: red in the lowest
// byte.
inline constexpr bool littleEndianMasks = true;
inline constexpr Uint32 redMask = littleEndianMasks ? 0x000000FFU : 0xFF000000U;
inline constexpr Uint32 greenMask = littleEndianMasks ? 0x0000FF00U : 0x00FF0000U;
inline constexpr Uint32 blueMask = littleEndianMasks ? 0x00FF0000U : 0x0000FF00U;
inline constexpr Uint32 alphaMask = 0;

// SDL_CreateRGBSurface(flags, width, height, bitsPerPixel, the masks above). Throws
// SdlError("SDL_CreateRGBSurface") on failure. The caller owns the surface.
[[nodiscard]] SurfacePtr createSurface(Uint32 flags, int width, int height, int bitsPerPixel);

// 0 when the argument is below 0, else the argument.
template <std::signed_integral T>
[[nodiscard]] constexpr T clampToZero(T value) noexcept {
    return value < 0 ? T{0} : value;
}

// `value` held within the range of T instead of wrapping when it is narrowed.
template <std::integral T, std::integral W>
[[nodiscard]] constexpr T clampTo(W value) noexcept {
    if (std::cmp_less(value, std::numeric_limits<T>::min())) {
        return std::numeric_limits<T>::min();
    }
    if (std::cmp_greater(value, std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(value);
}

// The clip that withClipIntersection sets: `current` when nothing is requested, else the
// intersection of both, with width and height clamped at 0 when they do not overlap. Right and
// bottom edges beyond the range of ptrdiff_t saturate instead of wrapping, so a request that cannot
// overlap always gives an empty clip.
[[nodiscard]] Rect clipIntersection(const Rect& current,
                                    const std::optional<Rect>& requested) noexcept;

// SDL_GetClipRect / SDL_SetClipRect in terms of Rect. The clip is cut to the surface, so what is in
// force afterwards may be smaller than what was set; values beyond SDL_Rect's fields never wrap. An
// empty clip may read back as any rectangle of width or height 0 (sdl12-compat gives (0, 0, 0, 0)).
[[nodiscard]] Rect clipRect(SDL_Surface* surface) noexcept;
void setClipRect(SDL_Surface* surface, const Rect& clip) noexcept;

namespace Detail {
// Puts back the clip that was in force when it was made, also when the action throws.
class ClipRestore {
  public:
    explicit ClipRestore(SDL_Surface* surface) noexcept : surface_(surface) {
        SDL_GetClipRect(surface_, &saved_);
    }
    ClipRestore(const ClipRestore&) = delete;
    ClipRestore& operator=(const ClipRestore&) = delete;
    ~ClipRestore() { SDL_SetClipRect(surface_, &saved_); }

  private:
    SDL_Surface* surface_;
    SDL_Rect saved_{};
};
} // namespace Detail

// Runs `action` with the surface's clip narrowed to its intersection with `requested` (unchanged
// when nothing is requested) and returns the action's result. The old clip is restored afterwards,
// also when the action throws; the exception then continues to the caller.
template <class Action>
decltype(auto) withClipIntersection(SDL_Surface* surface, const std::optional<Rect>& requested,
                                    Action&& action) {
    const Rect next = clipIntersection(clipRect(surface), requested);
    const Detail::ClipRestore restore(surface);
    setClipRect(surface, next);
    return std::forward<Action>(action)();
}

// SDL_MapRGB on the surface's format when `alpha` is absent, SDL_MapRGBA with it when present.
[[nodiscard]] Uint32 mapColor(const SDL_Surface* surface, std::optional<Uint8> alpha,
                              Rgb colour) noexcept;

// SDL_gfx's filled circles; arguments are passed on unchanged and SDL_gfx's result (0 or -1)
// returned. `colour` is 0xRRGGBBAA as SDL_gfx defines it.
int filledCircleColor(SDL_Surface* surface, Sint16 x, Sint16 y, Sint16 radius,
                      Uint32 colour) noexcept;
int filledCircleRGBA(SDL_Surface* surface, Sint16 x, Sint16 y, Sint16 radius, Uint8 red,
                     Uint8 green, Uint8 blue, Uint8 alpha) noexcept;

} // namespace Framework::Misc
