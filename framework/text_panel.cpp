#include "framework/text_panel.hpp"

#include "framework/misc.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/surface_calls.hpp"
#include "framework/utf8.hpp"

#include <cstdint>
#include <limits>

namespace Framework {

namespace {

// The r, g, b of a pixel value of `surface`; its alpha is dropped.
SDL_Color toColor(const SDL_Surface* surface, Uint32 pixel) noexcept {
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    Uint8 a = 0;
    SDL_GetRGBA(pixel, surface->format, &r, &g, &b, &a);
    return SDL_Color{r, g, b, 0};
}

// What SDL_ttf can take: it reads past the end of a cut sequence and stops at a NUL, so every
// invalid subpart and every NUL becomes U+FFFD.
std::string renderable(std::string_view run) {
    std::string out;
    out.reserve(run.size());
    for (std::size_t pos = 0; pos < run.size();) {
        const Utf8::Decoded d = Utf8::decodeAt(run, pos);
        pos += d.length;
        Utf8::append(out, d.cp == 0 ? Utf8::replacementChar : d.cp);
    }
    return out;
}

bool fitsSint16(int v) noexcept {
    return v >= std::numeric_limits<Sint16>::min() && v <= std::numeric_limits<Sint16>::max();
}

// One SDL_ttf render, one blit, one free.
TextPanel drawRun(const TextPanel& panel, std::string_view piece) {
    const TextPanelStyle& style = panel.style();
    const std::string run = renderable(piece);
    const SDL_Color fg = toColor(style.surface, style.foreground);
    const SDL_Color bg = toColor(style.surface, style.background);

    SurfacePtr rendered;
    const char* renderer = "";
    switch (style.renderMode) {
    case RenderMode::Solid:
        renderer = "TTF_RenderUTF8_Solid";
        rendered.reset(TTF_RenderUTF8_Solid(style.font, run.c_str(), fg));
        break;
    case RenderMode::Shaded:
        renderer = "TTF_RenderUTF8_Shaded";
        rendered.reset(TTF_RenderUTF8_Shaded(style.font, run.c_str(), fg, bg));
        break;
    case RenderMode::Blended:
        renderer = "TTF_RenderUTF8_Blended";
        rendered.reset(TTF_RenderUTF8_Blended(style.font, run.c_str(), fg));
        break;
    }
    if (!rendered) {
        throw SdlError(renderer);
    }

    // A pen that SDL_Rect cannot hold lies outside anything SDL can draw on: there is nothing to
    // blit.
    if (fitsSint16(panel.x()) && fitsSint16(panel.y())) {
        SDL_Rect dest{static_cast<Sint16>(panel.x()), static_cast<Sint16>(panel.y()), 0, 0};
        if (style.renderMode == RenderMode::Blended) {
            blitKeepingAlpha(rendered.get(), nullptr, style.surface, &dest);
        } else {
            static_cast<void>(SDL_BlitSurface(rendered.get(), nullptr, style.surface, &dest));
        }
    }
    const int width = rendered->w;
    return TextPanel(style, Misc::clampTo<int>(std::int64_t{panel.x()} + width), panel.y());
}

} // namespace

TextPanel newTextPanel(SDL_Surface* surface, TTF_Font* font, RenderMode renderMode,
                       Uint32 foreground, Uint32 background, int lineGap) {
    const TextPanelStyle style{surface, font, renderMode, foreground, background, lineGap};
    return clearTextPanel(TextPanel(style, 0, 0));
}

TextPanel clearTextPanel(const TextPanel& panel) {
    const TextPanelStyle& style = panel.style();
    Uint32 fill = style.background;
    if (style.renderMode == RenderMode::Blended && pixelFormatAmask(style.surface) != 0) {
        Uint8 r = 0;
        Uint8 g = 0;
        Uint8 b = 0;
        SDL_GetRGB(style.foreground, style.surface->format, &r, &g, &b);
        fill = SDL_MapRGBA(style.surface->format, r, g, b, 0);
    }
    static_cast<void>(SDL_FillRect(style.surface, nullptr, fill));
    return TextPanel(style, 0, 0);
}

TextPanel putLine(const TextPanel& panel, std::string_view utf8) {
    return newLine(putText(panel, utf8));
}

TextPanel putText(const TextPanel& panel, std::string_view utf8) {
    TextPanel current = panel;
    for (const std::string& piece : splitLineBreaks(utf8)) {
        if (piece == "\r") {
            current = carriageReturn(current);
        } else if (piece == "\n") {
            current = newLine(current);
        } else {
            current = drawRun(current, piece);
        }
    }
    return current;
}

TextPanel newLine(const TextPanel& panel) {
    const TextPanelStyle& style = panel.style();
    return TextPanel(
        style, 0,
        Misc::clampTo<int>(std::int64_t{panel.y()} + style.lineGap + TTF_FontLineSkip(style.font)));
}

TextPanel carriageReturn(const TextPanel& panel) {
    return TextPanel(panel.style(), 0, panel.y());
}

SDL_Surface* panelSurface(const TextPanel& panel) noexcept {
    return panel.style().surface;
}

std::vector<std::string> splitLineBreaks(std::string_view utf8) {
    const std::vector<std::string_view> pieces = Utf8::lineBreakPieces(utf8);
    return {pieces.begin(), pieces.end()};
}

} // namespace Framework
