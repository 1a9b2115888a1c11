#include "framework/text_panel.hpp"

#include "framework/misc.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"
#include "framework/surface_calls.hpp"
#include "framework/utf8.hpp"

#include <algorithm>
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

// Byte offsets of the first `count` character boundaries after the start (fewer at the end).
std::vector<std::size_t> boundaries(std::string_view utf8, std::size_t count) {
    std::vector<std::size_t> ends;
    for (std::size_t at = 0; at < utf8.size() && ends.size() < count;) {
        at += Utf8::decodeAt(utf8, at).length;
        ends.push_back(at);
    }
    return ends;
}

int widthOf(TTF_Font* font, std::string_view utf8) {
    int width = 0;
    int height = 0;
    return TTF_SizeUTF8(font, std::string(utf8).c_str(), &width, &height) == 0 ? width : 0;
}

// The characters rendered of a run that passes the edge beyond those that reach it: a glyph may
// ink a pixel or two to the left of where it starts.
constexpr std::size_t overhangCharacters = 2;

// One SDL_ttf render, one blit, one free.
TextPanel drawRun(const TextPanel& panel, std::string_view piece) {
    const TextPanelStyle& style = panel.style();
    std::string run = renderable(piece);
    const RunExtent extent =
        measureRun(style.font, run, std::int64_t{style.surface->w} - panel.x());
    if (!extent.whole) {
        const std::vector<std::size_t> more =
            boundaries(std::string_view(run).substr(extent.length), overhangCharacters);
        run.resize(extent.length + (more.empty() ? 0 : more.back()));
    }
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

RunExtent measureRun(TTF_Font* font, std::string_view utf8, long long room) {
    const std::vector<std::size_t> ends = boundaries(utf8, maxMeasuredCharacters + 1);
    if (ends.size() <= maxMeasuredCharacters) {
        if (const int width = widthOf(font, utf8); width <= room) {
            return {utf8.size(), width, true};
        }
    }
    // Prefixes of twice as many characters each time, until one passes the room; then the
    // shortest that does, between it and the one before (a prefix is never narrower than a
    // shorter one).
    const std::size_t count = std::min(ends.size(), maxMeasuredCharacters);
    std::size_t fits = 0; // characters known to fit
    std::size_t passes = 0;
    for (std::size_t n = 16;; n *= 2) {
        const std::size_t tried = std::min(n, count);
        if (widthOf(font, utf8.substr(0, ends[tried - 1])) > room) {
            passes = tried;
            break;
        }
        fits = tried;
        if (tried == count) {
            return {ends[count - 1], widthOf(font, utf8.substr(0, ends[count - 1])),
                    count == ends.size()};
        }
    }
    while (passes - fits > 1) {
        const std::size_t middle = fits + (passes - fits) / 2;
        (widthOf(font, utf8.substr(0, ends[middle - 1])) > room ? passes : fits) = middle;
    }
    return {ends[passes - 1], widthOf(font, utf8.substr(0, ends[passes - 1])), false};
}

std::vector<std::string> wrapLines(TTF_Font* font, std::string_view utf8, int width,
                                   std::size_t maxLines) {
    std::vector<std::string> lines;
    while (!utf8.empty() && lines.size() < maxLines) {
        const RunExtent extent = measureRun(font, utf8, width);
        std::size_t cut = extent.length;
        if (!extent.whole) {
            // All but the character that passes the width; a space before it breaks better.
            const std::vector<std::size_t> ends =
                boundaries(utf8.substr(0, extent.length), maxMeasuredCharacters + 1);
            cut = ends.size() > 1 ? ends[ends.size() - 2] : ends.front();
            if (const std::size_t space = utf8.substr(0, cut).rfind(' ');
                space != std::string_view::npos && space > 0) {
                cut = space + 1;
            }
        }
        lines.emplace_back(utf8.substr(0, cut));
        utf8.remove_prefix(cut);
    }
    if (!utf8.empty() && !lines.empty()) {
        std::string& last = lines.back();
        while (!last.empty() && widthOf(font, last + "…") > width) {
            const std::vector<std::size_t> ends = boundaries(last, maxMeasuredCharacters);
            last.resize(ends.size() > 1 ? ends[ends.size() - 2] : 0);
        }
        last += "…";
    }
    return lines;
}

std::vector<std::string> splitLineBreaks(std::string_view utf8) {
    const std::vector<std::string_view> pieces = Utf8::lineBreakPieces(utf8);
    return {pieces.begin(), pieces.end()};
}

} // namespace Framework
