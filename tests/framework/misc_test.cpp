#include "framework/misc.hpp"

#include "framework/sdl_error.hpp"
#include "framework/surface_calls.hpp"
#include "test_support.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>

namespace {
using namespace Framework;
} // namespace

using Misc::Rect;
using TestSupport::pixelAt;

namespace {

Rect clipOf(SDL_Surface* s) {
    SDL_Rect r{};
    SDL_GetClipRect(s, &r);
    return Rect{r.x, r.y, r.w, r.h};
}

// What a clip takes: nothing, however the library writes an empty rectangle, or the rectangle.
Rect taken(const Rect& r) {
    return r.w > 0 && r.h > 0 ? r : Rect{};
}

constexpr std::ptrdiff_t huge = std::numeric_limits<std::ptrdiff_t>::max();

void setClip(SDL_Surface* s, const Rect& r) {
    SDL_Rect sdl{static_cast<Sint16>(r.x), static_cast<Sint16>(r.y), static_cast<Uint16>(r.w),
                 static_cast<Uint16>(r.h)};
    SDL_SetClipRect(s, &sdl);
}

} // namespace

namespace Framework::Misc {
void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}
} // namespace Framework::Misc

TEST(CreateSurface, ThirtyTwoBitsHasRedInTheLowestByteAndNoAlpha) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 8, 4, 32);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 8);
    EXPECT_EQ(s->h, 4);
    EXPECT_EQ(s->format->BitsPerPixel, 32);
    EXPECT_EQ(s->format->Rmask, 0x000000FFU);
    EXPECT_EQ(s->format->Gmask, 0x0000FF00U);
    EXPECT_EQ(s->format->Bmask, 0x00FF0000U);
    EXPECT_EQ(s->format->Amask, 0U);
    EXPECT_EQ(SDL_MapRGB(s->format, 0x11, 0x22, 0x33), 0x332211U);

    SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, 255, 0, 0));
    EXPECT_EQ(pixelAt(s.get(), 3, 2) & 0xFFU, 0xFFU);
    EXPECT_EQ(pixelAt(s.get(), 3, 2) & ~0xFFU, 0U);
}

TEST(CreateSurface, GameSizedPanelAtEightBits) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE | SDL_SRCALPHA, 5120, 128, 8);
    EXPECT_EQ(s->w, 5120);
    EXPECT_EQ(s->format->BitsPerPixel, 8);
    EXPECT_EQ(s->format->Rmask, 0x000000FFU);
}

// Prefaulting must only map memory in: whatever was drawn before stays, and the whole buffer can
// be drawn after, for buffers smaller than a page and far larger ones alike.
TEST(PrefaultPixels, KeepsThePixelsAndLeavesEveryPageWritable) {
    for (const auto& [w, h] : {std::pair{3, 1}, std::pair{1024, 1}, std::pair{5120, 128}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, w, h, 32);
        auto* pixels = static_cast<Uint32*>(s->pixels);
        const std::size_t count = static_cast<std::size_t>(s->pitch / 4) * s->h;
        for (std::size_t i = 0; i < count; ++i) {
            pixels[i] = static_cast<Uint32>(i * 2654435761U);
        }
        prefaultPixels(s.get());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < count; ++i) {
            kept += pixels[i] == static_cast<Uint32>(i * 2654435761U) ? 1 : 0;
        }
        EXPECT_EQ(kept, count);

        const SurfacePtr fresh = Misc::createSurface(SDL_SWSURFACE, w, h, 32);
        prefaultPixels(fresh.get());
        SDL_FillRect(fresh.get(), nullptr, 0x123456);
        EXPECT_EQ(pixelAt(fresh.get(), 0, 0), 0x123456U);
        EXPECT_EQ(pixelAt(fresh.get(), w - 1, h - 1), 0x123456U);
    }
}

TEST(CreateSurface, FailureThrowsWithSdlsText) {
    try {
        static_cast<void>(Misc::createSurface(SDL_SWSURFACE, 20000, 10, 32));
        FAIL() << "nothing thrown";
    } catch (const SdlError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "SDL_CreateRGBSurface\nSDL message: Width or height is too large");
    }
}

struct ClipCase {
    const char* name;
    Rect current;
    std::optional<Rect> requested;
    Rect during;
};

void PrintTo(const ClipCase& c, std::ostream* os) {
    *os << c.name;
}

class WithClipIntersection : public ::testing::TestWithParam<ClipCase> {};

TEST_P(WithClipIntersection, ActionDrawsOnlyInsideTheIntersectionAndTheClipIsRestored) {
    const ClipCase& c = GetParam();
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 320, 240, 32);
    SDL_FillRect(s.get(), nullptr, 0);
    setClip(s.get(), c.current);
    ASSERT_EQ(clipOf(s.get()), c.current);

    EXPECT_EQ(Misc::clipIntersection(c.current, c.requested), c.during);
    const Rect seen = Misc::withClipIntersection(s.get(), c.requested, [&] {
        SDL_FillRect(s.get(), nullptr, 0xFFFFFF);
        return clipOf(s.get());
    });
    const Rect expected = taken(c.during);
    EXPECT_EQ(taken(seen), expected);
    EXPECT_EQ(clipOf(s.get()), c.current);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const bool inside = x >= expected.x && x - expected.x < expected.w && y >= expected.y &&
                                y - expected.y < expected.h;
            ASSERT_EQ(pixelAt(s.get(), x, y), inside ? 0xFFFFFFU : 0U) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, WithClipIntersection,
    ::testing::Values(
        ClipCase{"NothingRequested", {0, 0, 320, 240}, std::nullopt, {0, 0, 320, 240}},
        ClipCase{
            "NothingRequestedUnderNarrowClip", {10, 20, 30, 40}, std::nullopt, {10, 20, 30, 40}},
        ClipCase{"CutAtBottomRight", {0, 0, 320, 240}, Rect{300, 220, 50, 50}, {300, 220, 20, 20}},
        ClipCase{"NoOverlap", {0, 0, 320, 240}, Rect{400, 10, 20, 20}, {400, 10, 0, 20}},
        ClipCase{"NegativeX", {0, 0, 320, 240}, Rect{-10, 0, 30, 30}, {0, 0, 20, 30}},
        ClipCase{"Inside", {0, 0, 320, 240}, Rect{5, 6, 7, 8}, {5, 6, 7, 8}},
        ClipCase{
            "IntersectsNarrowClip", {10, 10, 100, 100}, Rect{50, 60, 100, 100}, {50, 60, 60, 50}},
        ClipCase{"AboveNarrowClip", {10, 50, 100, 100}, Rect{0, 0, 200, 20}, {10, 50, 100, 0}},
        ClipCase{"HugeFromInside", {0, 0, 320, 240}, Rect{5, 7, huge, huge}, {5, 7, 315, 233}},
        ClipCase{
            "HugeBelowNarrowClip", {10, 50, 100, 100}, Rect{0, 200, 320, huge}, {10, 200, 100, 0}},
        ClipCase{
            "HugeFarCorner", {0, 0, 320, 240}, Rect{huge, huge, huge, huge}, {huge, huge, 0, 0}},
        ClipCase{"MostNegative",
                 {0, 0, 320, 240},
                 Rect{-huge - 1, -huge - 1, huge, huge},
                 {0, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<ClipCase>& info) { return std::string(info.param.name); });

TEST(SetClipRect, ValuesBeyondSdlRectAreCutToTheSurfaceNotWrapped) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 320, 240, 32);
    const std::pair<Rect, Rect> cases[] = {
        {{65536, 0, 10, 10}, {}},
        {{0, -65536, 100, 65546}, {0, 0, 100, 10}},
        {{-70000, -70000, 70100, 70050}, {0, 0, 100, 50}},
        {{1, 2, 70000, huge}, {1, 2, 319, 238}},
    };
    for (const auto& [clip, expected] : cases) {
        Misc::setClipRect(s.get(), clip);
        EXPECT_EQ(taken(Misc::clipRect(s.get())), expected);
    }
}

TEST(WithClipIntersectionEffects, ThrowingActionRestoresTheClip) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 320, 240, 32);
    setClip(s.get(), Rect{10, 10, 100, 100});
    EXPECT_THROW(Misc::withClipIntersection(s.get(), Rect{20, 20, 5, 5},
                                            []() -> int { throw std::runtime_error("action"); }),
                 std::runtime_error);
    EXPECT_EQ(clipOf(s.get()), (Rect{10, 10, 100, 100}));
}

TEST(WithClipIntersectionEffects, ReturnsTheActionsResultEvenWhenMoveOnly) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 16, 16, 32);
    const auto result =
        Misc::withClipIntersection(s.get(), std::nullopt, [] { return std::make_unique<int>(7); });
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(*result, 7);
}

TEST(MapColor, AlphaIsIgnoredWithoutAlphaMask) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 4, 4, 32);
    const Misc::Rgb paleBlue{192, 192, 255};
    EXPECT_EQ(Misc::mapColor(s.get(), Uint8{0x40}, paleBlue),
              Misc::mapColor(s.get(), std::nullopt, paleBlue));
    EXPECT_EQ(Misc::mapColor(s.get(), std::nullopt, paleBlue),
              SDL_MapRGB(s->format, 192, 192, 255));
}

TEST(MapColor, AlphaIsMappedWithAlphaMask) {
    const SurfacePtr s(
        SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000));
    const Misc::Rgb colour{1, 2, 3};
    EXPECT_EQ(Misc::mapColor(s.get(), Uint8{0x40}, colour), 0x40030201U);
    EXPECT_EQ(Misc::mapColor(s.get(), std::nullopt, colour), SDL_MapRGB(s->format, 1, 2, 3));
}

TEST(FilledCircle, DrawsThroughSdlGfx) {
    const SurfacePtr s = Misc::createSurface(SDL_SWSURFACE, 40, 20, 32);
    SDL_FillRect(s.get(), nullptr, 0);
    EXPECT_EQ(Misc::filledCircleRGBA(s.get(), 10, 10, 5, 255, 0, 0, 255), 0);
    EXPECT_EQ(Misc::filledCircleColor(s.get(), 30, 10, 5, 0x00FF00FFU), 0);
    EXPECT_EQ(pixelAt(s.get(), 10, 10), SDL_MapRGB(s->format, 255, 0, 0));
    EXPECT_EQ(pixelAt(s.get(), 30, 10), SDL_MapRGB(s->format, 0, 255, 0));
    EXPECT_EQ(pixelAt(s.get(), 0, 0), 0U);
    EXPECT_EQ(pixelAt(s.get(), 20, 10), 0U);
}
