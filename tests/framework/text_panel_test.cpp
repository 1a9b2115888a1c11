#include "framework/text_panel.hpp"

#include "framework/misc.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/surface_calls.hpp"
#include "test_support.hpp"

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {
using namespace Framework;
} // namespace

using TestSupport::pixelAt;

static_assert(RenderMode::Solid < RenderMode::Shaded && RenderMode::Shaded < RenderMode::Blended);

// --- splitting (no SDL) ---

TEST(SplitLineBreaks, CutsAtEveryBreakAndNeverGivesEmptyPieces) {
    struct Case {
        const char* text;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"\n", {"\n"}},
        {"\r", {"\r"}},
        {"\r\n", {"\r", "\n"}},
        {"\n\n", {"\n", "\n"}},
        {"ab\ncd", {"ab", "\n", "cd"}},
        {"ab\r\ncd", {"ab", "\r", "\n", "cd"}},
        {"ab\rcd", {"ab", "\r", "cd"}},
        {"\ra\n", {"\r", "a", "\n"}},
        {"日本\n語のテキスト\r", {"日本", "\n", "語のテキスト", "\r"}},
        {"１：グー\n２：チョキ\n", {"１：グー", "\n", "２：チョキ", "\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(splitLineBreaks(c.text), c.pieces);
    }
}

// --- panels on real surfaces ---

namespace {

enum class SurfaceKind {
    ScreenDepth, // what the game makes: createSurface at the screen's depth (8 bits on the dummy
                 // driver)
    Palette8,    // 8 bits with a palette of greys and pale blue
    Rgb32,       // createSurface at 32 bits: no alpha channel
    Rgba32,      // 32 bits with an alpha channel
};

const char* kindName(SurfaceKind k) {
    switch (k) {
    case SurfaceKind::ScreenDepth:
        return "ScreenDepth";
    case SurfaceKind::Palette8:
        return "Palette8";
    case SurfaceKind::Rgb32:
        return "Rgb32";
    case SurfaceKind::Rgba32:
        return "Rgba32";
    }
    return "?";
}

void PrintTo(SurfaceKind k, std::ostream* os) {
    *os << kindName(k);
}

const RenderMode allModes[] = {RenderMode::Solid, RenderMode::Shaded, RenderMode::Blended};

const char* modeName(RenderMode m) {
    switch (m) {
    case RenderMode::Solid:
        return "Solid";
    case RenderMode::Shaded:
        return "Shaded";
    case RenderMode::Blended:
        return "Blended";
    }
    return "?";
}

class Panel : public ::testing::TestWithParam<SurfaceKind> {
  protected:
    void SetUp() override {
        TestSupport::useDummyDriversUnlessSet();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen = SDL_SetVideoMode(320, 240, 0, SDL_SWSURFACE | SDL_DOUBLEBUF);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        ASSERT_EQ(TTF_Init(), 0);
        font.reset(TTF_OpenFontIndex(TestSupport::fontPath().c_str(), 16, 0));
        ASSERT_NE(font, nullptr) << SDL_GetError();
        lineSkip = TTF_FontLineSkip(font.get());
    }

    void TearDown() override {
        font.reset();
        TTF_Quit();
        SDL_Quit();
    }

    SurfacePtr makeSurface(int w, int h, SurfaceKind kind) const {
        switch (kind) {
        case SurfaceKind::ScreenDepth:
            return Misc::createSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h,
                                       screen->format->BitsPerPixel);
        case SurfaceKind::Palette8: {
            SurfacePtr s(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0));
            SDL_Color colours[256];
            for (int i = 0; i < 256; ++i) {
                const auto v = static_cast<Uint8>(i);
                colours[i] = SDL_Color{v, v, v, 0};
            }
            colours[255] = SDL_Color{192, 192, 255, 0};
            SDL_SetColors(s.get(), colours, 0, 256);
            return s;
        }
        case SurfaceKind::Rgb32:
            return Misc::createSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32);
        case SurfaceKind::Rgba32:
            return SurfacePtr(SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, w, h, 32, 0xFF,
                                                   0xFF00, 0xFF0000, 0xFF000000));
        }
        return nullptr;
    }
    SurfacePtr makeSurface(int w, int h) const { return makeSurface(w, h, GetParam()); }

    // The game's colours: black text on pale blue, mapped with alpha 255 (or `alpha`).
    static Uint32 black(const SDL_Surface* s, Uint8 alpha = 255) {
        return Misc::mapColor(s, alpha, Misc::Rgb{0, 0, 0});
    }
    static Uint32 paleBlue(const SDL_Surface* s, Uint8 alpha = 255) {
        return Misc::mapColor(s, alpha, Misc::Rgb{192, 192, 255});
    }

    TextPanel panelOn(SDL_Surface* s, RenderMode mode, int lineGap = 0) const {
        return newTextPanel(s, font.get(), mode, black(s), paleBlue(s), lineGap);
    }

    // The pixel clearTextPanel fills with, by the panel's own rule.
    static Uint32 fillOf(const TextPanel& p) {
        const TextPanelStyle& st = p.style();
        if (st.renderMode == RenderMode::Blended && st.surface->format->Amask != 0) {
            Uint8 r = 0;
            Uint8 g = 0;
            Uint8 b = 0;
            SDL_GetRGB(st.foreground, st.surface->format, &r, &g, &b);
            return SDL_MapRGBA(st.surface->format, r, g, b, 0);
        }
        return st.background;
    }

    SurfacePtr render(RenderMode mode, const char* text) const {
        const SDL_Color fg{0, 0, 0, 0};
        const SDL_Color bg{192, 192, 255, 0};
        switch (mode) {
        case RenderMode::Solid:
            return SurfacePtr(TTF_RenderUTF8_Solid(font.get(), text, fg));
        case RenderMode::Shaded:
            return SurfacePtr(TTF_RenderUTF8_Shaded(font.get(), text, fg, bg));
        case RenderMode::Blended:
            return SurfacePtr(TTF_RenderUTF8_Blended(font.get(), text, fg));
        }
        return nullptr;
    }
    int widthOf(RenderMode mode, const char* text) const { return render(mode, text)->w; }

    // What a Blended run's fully transparent pixels leave on a surface of this kind filled with
    // `fill`. On 8-bit surfaces SDL 1.2's per-pixel-alpha blit requantises every pixel of the
    // rendered box (through a 3-3-2 cube) even where the glyph's alpha is 0, so that is not always
    // `fill`: such pixels are not text.
    Uint32 transparentBoxOver(Uint32 fill) const {
        const SurfacePtr dst = makeSurface(1, 1);
        SDL_FillRect(dst.get(), nullptr, fill);
        const SurfacePtr src(SDL_CreateRGBSurface(SDL_SWSURFACE | SDL_SRCALPHA, 1, 1, 32, 0xFF0000,
                                                  0xFF00, 0xFF, 0xFF000000));
        SDL_FillRect(src.get(), nullptr, 0);
        blitKeepingAlpha(src.get(), nullptr, dst.get(), nullptr);
        return pixelAt(dst.get(), 0, 0);
    }

    // The pixel values that are not text on a panel in this mode: its fill, and for Blended what
    // the transparent part of a rendered box leaves.
    std::vector<Uint32> nonText(const TextPanel& p) const {
        const Uint32 fill = fillOf(p);
        if (p.style().renderMode == RenderMode::Blended) {
            return {fill, transparentBoxOver(fill)};
        }
        return {fill};
    }

    // Counts the pixels inside [x0, x1) x [y0, y1) that are none of `background`, and those
    // outside it.
    struct Count {
        int inside = 0;
        int outside = 0;
    };
    static Count differing(SDL_Surface* s, const std::vector<Uint32>& background, int x0, int y0,
                           int x1, int y1) {
        Count c;
        for (int y = 0; y < s->h; ++y) {
            for (int x = 0; x < s->w; ++x) {
                const Uint32 v = pixelAt(s, x, y);
                if (std::find(background.begin(), background.end(), v) == background.end()) {
                    const bool in = x >= x0 && x < x1 && y >= y0 && y < y1;
                    ++(in ? c.inside : c.outside);
                }
            }
        }
        return c;
    }

    static bool samePixels(SDL_Surface* a, SDL_Surface* b) {
        for (int y = 0; y < a->h; ++y) {
            for (int x = 0; x < a->w; ++x) {
                if (pixelAt(a, x, y) != pixelAt(b, x, y)) {
                    return false;
                }
            }
        }
        return true;
    }

    SDL_Surface* screen = nullptr;
    FontPtr font;
    int lineSkip = 0;
};

} // namespace

TEST_P(Panel, PenAfterBreaksAndRuns) {
    const SurfacePtr s = makeSurface(320, 96);
    for (const RenderMode mode : allModes) {
        for (const int gap : {0, 3}) {
            const int a = widthOf(mode, "あい");
            const int b = widthOf(mode, "うえお");
            const int line = lineSkip + gap;
            struct Case {
                const char* name;
                std::string text;
                bool asLine;
                int x;
                int y;
            };
            const Case cases[] = {
                {"Empty", "", false, 0, 0},
                {"EmptyLine", "", true, 0, line},
                {"LineFeed", "\n", false, 0, line},
                {"CarriageReturn", "\r", false, 0, 0},
                {"CarriageReturnLineFeed", "\r\n", false, 0, line},
                {"TwoLineFeeds", "\n\n", false, 0, 2 * line},
                {"OneRun", "あい", false, a, 0},
                {"OneRunAsLine", "あい", true, 0, line},
                {"RunLineFeedRun", "あい\nうえお", false, b, line},
                {"RunCrLfRun", "あい\r\nうえお", false, b, line},
                {"RunCrRun", "あい\rうえお", false, b, 0},
                {"RunTwoLineFeedsRun", "あい\n\nうえお", false, b, 2 * line},
                {"RunThenCarriageReturn", "あい\r", false, 0, 0},
            };
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(modeName(mode)) + " gap " + std::to_string(gap) + " " +
                             c.name);
                const TextPanel fresh = panelOn(s.get(), mode, gap);
                const TextPanel after = c.asLine ? putLine(fresh, c.text) : putText(fresh, c.text);
                EXPECT_EQ(after.x(), c.x);
                EXPECT_EQ(after.y(), c.y);
                EXPECT_EQ(after.style(), fresh.style());
            }
        }
    }
}

TEST_P(Panel, PenFromAStartingPointOtherThanTheOrigin) {
    const SurfacePtr s = makeSurface(320, 96);
    const TextPanel start(panelOn(s.get(), RenderMode::Shaded, 2).style(), 17, 5);
    EXPECT_EQ(carriageReturn(start).x(), 0);
    EXPECT_EQ(carriageReturn(start).y(), 5);
    EXPECT_EQ(newLine(start).x(), 0);
    EXPECT_EQ(newLine(start).y(), 5 + 2 + lineSkip);
    const TextPanel drawn = putText(start, "あ");
    EXPECT_EQ(drawn.x(), 17 + widthOf(RenderMode::Shaded, "あ"));
    EXPECT_EQ(drawn.y(), 5);
}

TEST_P(Panel, TwoPutTextCallsContinueOnTheSameLine) {
    const SurfacePtr s = makeSurface(320, 64);
    const TextPanel fresh = panelOn(s.get(), RenderMode::Shaded);
    const TextPanel first = putText(fresh, "あい");
    std::vector<Uint32> snapshot;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) {
            snapshot.push_back(pixelAt(s.get(), x, y));
        }
    }

    const TextPanel second = putText(first, "うえお");
    EXPECT_EQ(second.x(),
              widthOf(RenderMode::Shaded, "あい") + widthOf(RenderMode::Shaded, "うえお"));
    EXPECT_EQ(second.y(), 0);
    int changedLeft = 0;
    int changedRight = 0;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) {
            if (pixelAt(s.get(), x, y) != snapshot[static_cast<std::size_t>(y * s->w + x)]) {
                ++(x < first.x() ? changedLeft : changedRight);
            }
        }
    }
    EXPECT_EQ(changedLeft, 0);
    EXPECT_GT(changedRight, 0);
}

TEST_P(Panel, RunsLandWhereSingleBlitsAtThePenPutThem) {
    struct Case {
        const char* text;
        int secondY; // in lines
    };
    for (const Case& c : {Case{"あい\nうえお", 1}, Case{"あい\r\nうえお", 1},
                          Case{"あい\rうえお", 0}, Case{"あい\n\nうえお", 2}}) {
        SCOPED_TRACE(c.text);
        const SurfacePtr s = makeSurface(320, 64);
        const TextPanel p = putText(panelOn(s.get(), RenderMode::Shaded, 1), c.text);

        const SurfacePtr expected = makeSurface(320, 64);
        SDL_FillRect(expected.get(), nullptr, paleBlue(expected.get()));
        SDL_Rect first{0, 0, 0, 0};
        SDL_BlitSurface(render(RenderMode::Shaded, "あい").get(), nullptr, expected.get(), &first);
        SDL_Rect second{0, static_cast<Sint16>(c.secondY * (lineSkip + 1)), 0, 0};
        SDL_BlitSurface(render(RenderMode::Shaded, "うえお").get(), nullptr, expected.get(),
                        &second);

        EXPECT_TRUE(samePixels(panelSurface(p), expected.get()));
    }
}

TEST_P(Panel, JapaneseLineDrawsOnlyInsideItsOwnBand) {
    const char* const text = "日本語のテキスト、ゴルバドン。";
    for (const RenderMode mode : allModes) {
        for (const int gap : {0, 4}) {
            SCOPED_TRACE(std::string(modeName(mode)) + " gap " + std::to_string(gap));
            const SurfacePtr s = makeSurface(320, 80);
            const TextPanel second = newLine(panelOn(s.get(), mode, gap));
            const TextPanel after = putLine(second, text);
            const Count c =
                differing(s.get(), nonText(second), 0, second.y(), widthOf(mode, text), after.y());
            EXPECT_GT(c.inside, 0);
            EXPECT_EQ(c.outside, 0);
            EXPECT_EQ(after.y() - second.y(), lineSkip + gap);
        }
    }
}

TEST_P(Panel, TextPastTheRightOrBottomEdgeRaisesNothing) {
    const SurfacePtr s = makeSurface(40, 10);
    for (const RenderMode mode : allModes) {
        SCOPED_TRACE(modeName(mode));
        TextPanel p = panelOn(s.get(), mode);
        EXPECT_NO_THROW({
            p = putText(p, "とても長い行は右の端で切れるだけで折り返さない");
            EXPECT_GT(p.x(), 40);
            for (int i = 0; i < 4; ++i) {
                p = putLine(p, "下の端より下の行");
            }
        });
        EXPECT_EQ(p.y(), 4 * lineSkip);
        EXPECT_EQ(p.x(), 0);
    }
}

// Bytes SDL_ttf cannot take draw exactly what U+FFFD in their place draws: one per maximal invalid
// subpart, and the pen moves past all of them.
TEST_P(Panel, InvalidUtf8AndNulDrawAsReplacementCharacters) {
    const std::string cut = std::string(39, 'a') + "\xF0"; // SDL_ttf read past such a run's end
    const std::pair<std::string, std::string> cases[] = {
        {cut, std::string(39, 'a') + "\uFFFD"},
        {"\xE3\x81", "\uFFFD"},
        {"あ\xE3\x81\nい\xFF", "あ\uFFFD\nい\uFFFD"},
        {"a\xC0\xAF"
         "b",
         "a\uFFFD\uFFFDb"},
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80z", "\uFFFD\uFFFD\uFFFD\uFFFDz"},
        {std::string("x\0y", 3), "x\uFFFDy"},
        {std::string("\0", 1), "\uFFFD"},
    };
    for (const RenderMode mode : allModes) {
        for (const auto& [bad, good] : cases) {
            SCOPED_TRACE(std::string(modeName(mode)) + " " + good);
            const SurfacePtr a = makeSurface(320, 40);
            const SurfacePtr b = makeSurface(320, 40);
            const TextPanel drawn = putText(panelOn(a.get(), mode), bad);
            const TextPanel expected = putText(panelOn(b.get(), mode), good);
            EXPECT_EQ(drawn.x(), expected.x());
            EXPECT_EQ(drawn.y(), expected.y());
            EXPECT_TRUE(samePixels(a.get(), b.get()));
        }
    }
}

// Far-out pens and gaps stop at the limits of int instead of wrapping.
TEST_P(Panel, PenArithmeticSaturates) {
    const SurfacePtr s = makeSurface(40, 20);
    const TextPanelStyle base = panelOn(s.get(), RenderMode::Shaded).style();
    constexpr int top = std::numeric_limits<int>::max();
    constexpr int bottom = std::numeric_limits<int>::min();
    struct Case {
        int x, y, gap;
        int textX, lineY; // after putText, after newLine
    };
    for (const Case& c :
         {Case{top - 1, top - 1, top, top, top},
          Case{bottom, bottom, bottom, bottom + widthOf(RenderMode::Shaded, "あ"), bottom},
          Case{top, bottom, top, top, bottom + top + lineSkip}}) {
        TextPanelStyle style = base;
        style.lineGap = c.gap;
        const TextPanel p(style, c.x, c.y);
        EXPECT_EQ(putText(p, "あ").x(), c.textX);
        EXPECT_EQ(newLine(p).y(), c.lineY);
    }
}

TEST_P(Panel, PenBeyondWhatSdlRectHoldsDrawsNothing) {
    const SurfacePtr s = makeSurface(40, 20);
    const TextPanel fresh = panelOn(s.get(), RenderMode::Shaded);
    // 65536 would wrap to 0 in SDL_Rect's 16-bit fields and draw at the origin.
    const TextPanel far(fresh.style(), 65536, 65536);
    const TextPanel after = putText(far, "あ");
    EXPECT_EQ(after.x(), 65536 + widthOf(RenderMode::Shaded, "あ"));
    const Count c = differing(s.get(), {fillOf(fresh)}, 0, 0, 0, 0);
    EXPECT_EQ(c.outside, 0);
}

// A run far wider than the surface draws what the same run cut just past the edge draws: SDL
// makes no surface wider than 16383 pixels, and SDL_ttf copies what it measures onto the stack.
TEST_P(Panel, RunFarWiderThanTheSurfaceDrawsWhatReachesIt) {
    const auto repeated = [](std::size_t count) {
        std::string run;
        for (std::size_t i = 0; i < count; ++i) {
            run += "あ";
        }
        return run;
    };
    const std::string cut = repeated(8); // 128 pixels at 16 points
    for (const RenderMode mode : allModes) {
        for (const std::size_t count : {std::size_t{3000}, std::size_t{6000000}}) {
            SCOPED_TRACE(std::string(modeName(mode)) + " " + std::to_string(count));
            const SurfacePtr a = makeSurface(64, 40);
            const SurfacePtr b = makeSurface(64, 40);
            const TextPanel drawn = putText(panelOn(a.get(), mode), repeated(count));
            static_cast<void>(putText(panelOn(b.get(), mode), cut));
            EXPECT_TRUE(samePixels(a.get(), b.get()));
            EXPECT_GT(drawn.x(), 64);
            EXPECT_LT(drawn.x(), 64 + 4 * widthOf(mode, "あ"));
        }
    }
}

TEST_P(Panel, ClearFillsByRenderModeAndReturnsThePenHome) {
    for (const RenderMode mode : allModes) {
        SCOPED_TRACE(modeName(mode));
        const SurfacePtr s = makeSurface(64, 40);
        const TextPanel drawn = putLine(putText(panelOn(s.get(), mode, 2), "あいう"), "え");
        const TextPanel cleared = clearTextPanel(drawn);
        EXPECT_EQ(cleared.x(), 0);
        EXPECT_EQ(cleared.y(), 0);
        EXPECT_EQ(cleared.style(), drawn.style());

        Uint32 expected = paleBlue(s.get());
        if (mode == RenderMode::Blended && GetParam() == SurfaceKind::Rgba32) {
            expected = 0x00000000U; // black, alpha 0
        }
        EXPECT_EQ(differing(s.get(), {expected}, 0, 0, 0, 0).outside, 0);
    }
}

TEST_P(Panel, BlendedClearUsesForegroundRgbAtAlphaZero) {
    const SurfacePtr s = makeSurface(16, 16);
    const Uint32 fg = Misc::mapColor(s.get(), Uint8{200}, Misc::Rgb{10, 200, 30});
    const TextPanel p =
        newTextPanel(s.get(), font.get(), RenderMode::Blended, fg, paleBlue(s.get()), 0);
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint8 a = 0;
    SDL_GetRGBA(pixelAt(panelSurface(p), 5, 5), s->format, &r, &g, &b, &a);
    if (GetParam() == SurfaceKind::Rgba32) {
        EXPECT_EQ(pixelAt(s.get(), 5, 5), SDL_MapRGBA(s->format, 10, 200, 30, 0));
        EXPECT_EQ(a, 0);
    } else {
        EXPECT_EQ(pixelAt(s.get(), 5, 5), paleBlue(s.get()));
    }
}

TEST_P(Panel, NewTextPanelPaintsTheSurfaceAndStartsAtTheOrigin) {
    const SurfacePtr s = makeSurface(32, 32);
    SDL_FillRect(s.get(), nullptr, black(s.get()));
    const TextPanel p = panelOn(s.get(), RenderMode::Shaded, 5);
    EXPECT_EQ(panelSurface(p), s.get());
    EXPECT_EQ(p.x(), 0);
    EXPECT_EQ(p.y(), 0);
    EXPECT_EQ(p.style().font, font.get());
    EXPECT_EQ(p.style().renderMode, RenderMode::Shaded);
    EXPECT_EQ(p.style().foreground, black(s.get()));
    EXPECT_EQ(p.style().background, paleBlue(s.get()));
    EXPECT_EQ(p.style().lineGap, 5);
    EXPECT_EQ(differing(s.get(), {paleBlue(s.get())}, 0, 0, 0, 0).outside, 0);
}

TEST_P(Panel, FailedRenderThrowsWithTheRenderersNameAndKeepsEarlierRuns) {
    // SDL_ttf skips a byte order mark, so a run of nothing else has no width and no surface.
    const std::string text = "あ\n\xEF\xBB\xBF";
    for (const RenderMode mode : allModes) {
        SCOPED_TRACE(modeName(mode));
        const SurfacePtr s = makeSurface(64, 40);
        const TextPanel p = panelOn(s.get(), mode);
        const std::string prefix =
            std::string("TTF_RenderUTF8_") + modeName(mode) + "\nSDL message: ";
        SDL_ClearError();
        try {
            static_cast<void>(putLine(p, text));
            ADD_FAILURE() << "nothing thrown";
        } catch (const SdlError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(prefix, 0), 0U) << what;
            if (mode == RenderMode::Shaded) {
                EXPECT_EQ(what, prefix + "Text has zero width");
            }
        }
        const Count c = differing(s.get(), nonText(p), 0, 0, s->w, lineSkip);
        EXPECT_GT(c.inside, 0); // "あ" stays on the surface
        EXPECT_EQ(c.outside, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Surfaces, Panel,
                         ::testing::Values(SurfaceKind::ScreenDepth, SurfaceKind::Palette8,
                                           SurfaceKind::Rgb32, SurfaceKind::Rgba32),
                         [](const ::testing::TestParamInfo<SurfaceKind>& info) {
                             return std::string(kindName(info.param));
                         });

using PanelAlpha = Panel;

// On a surface with an alpha channel, where alpha could matter at all.
TEST_F(PanelAlpha, AlphaOfTheColoursHasNoEffectOnRenderedText) {
    for (const RenderMode mode : allModes) {
        SCOPED_TRACE(modeName(mode));
        const SurfacePtr opaque = makeSurface(320, 40, SurfaceKind::Rgba32);
        const SurfacePtr faint = makeSurface(320, 40, SurfaceKind::Rgba32);
        const TextPanel a = newTextPanel(opaque.get(), font.get(), mode, black(opaque.get(), 255),
                                         paleBlue(opaque.get(), 255), 0);
        const TextPanel b = newTextPanel(faint.get(), font.get(), mode, black(faint.get(), 0),
                                         paleBlue(faint.get(), 77), 0);
        static_cast<void>(putLine(a, "テキストの色"));
        static_cast<void>(putLine(b, "テキストの色"));
        int textPixels = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 320; ++x) {
                const Uint32 pa = pixelAt(opaque.get(), x, y);
                const Uint32 pb = pixelAt(faint.get(), x, y);
                ASSERT_EQ(pa & 0x00FFFFFFU, pb & 0x00FFFFFFU) << x << "," << y;
                if (pa != fillOf(a)) {
                    ++textPixels;
                    ASSERT_EQ(pa, pb) << x << "," << y;
                }
            }
        }
        EXPECT_GT(textPixels, 0);
    }
}

// Lines laid no wider than asked, broken after spaces where there are some, and cut with an
// ellipsis where more is left than the lines hold.
TEST_F(PanelAlpha, WrapLinesFitsTheWidthAndKeepsEveryCharacterItShows) {
    const std::string longWord(2000, 'x');
    struct Case {
        std::string text;
        int width;
        std::size_t maxLines;
        bool cut; // the last line ends in an ellipsis
    };
    for (const Case& c :
         {Case{"", 100, 3, false}, Case{"no need to wrap", 1000, 3, false},
          Case{"t.story:4:9: no section named \"bb\"; did you mean \"b\"?", 90, 9, false},
          Case{longWord, 64, 1000, false}, Case{longWord, 64, 2, true},
          Case{"あいうえおかきくけこ", 40, 2, true}}) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const std::vector<std::string> lines = wrapLines(font.get(), c.text, c.width, c.maxLines);
        EXPECT_LE(lines.size(), c.maxLines);
        std::string joined;
        for (const std::string& line : lines) {
            int w = 0;
            int h = 0;
            ASSERT_EQ(TTF_SizeUTF8(font.get(), line.c_str(), &w, &h), 0);
            EXPECT_LE(w, c.width) << line;
            EXPECT_FALSE(line.empty());
            joined += line;
        }
        const std::string ellipsis = "…";
        if (c.cut) {
            ASSERT_GE(joined.size(), ellipsis.size());
            EXPECT_EQ(joined.substr(joined.size() - ellipsis.size()), ellipsis);
            joined.resize(joined.size() - ellipsis.size());
            EXPECT_TRUE(c.text.substr(0, joined.size()) == joined);
        } else {
            EXPECT_TRUE(joined == c.text);
        }
        // Each break but the last falls after a space where the line has one.
        for (std::size_t l = 0; l + 1 < lines.size(); ++l) {
            if (lines[l].find(' ') != std::string::npos) {
                EXPECT_EQ(lines[l].back(), ' ') << lines[l];
            }
        }
    }
}
