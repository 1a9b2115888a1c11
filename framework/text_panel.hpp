// Text panels. A panel is a value: an off-screen surface, a font, two colours and a pen.
// Every operation returns a new panel; only the pixels of the surface change. SDL_ttf must be
// initialised (the runner does it) before a panel is drawn.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Framework {

// Which SDL_ttf renderer draws a run. Ordered as declared.
enum class RenderMode : std::uint8_t { Solid, Shaded, Blended };

// `surface` and `font` are borrowed, not owned: the caller creates and frees them and keeps them
// alive while the panel is used. `foreground` and `background` are pixel values of `surface`'s
// format; their alpha part is never used for rendering.
struct TextPanelStyle {
    SDL_Surface* surface = nullptr;
    TTF_Font* font = nullptr;
    RenderMode renderMode = RenderMode::Shaded;
    Uint32 foreground = 0;
    Uint32 background = 0;
    int lineGap = 0;
    friend bool operator==(const TextPanelStyle&, const TextPanelStyle&) = default;
};

class TextPanel {
  public:
    // A panel with this style and pen; draws nothing (newTextPanel also clears the surface).
    TextPanel(const TextPanelStyle& style, int x, int y) noexcept : style_(style), x_(x), y_(y) {}

    [[nodiscard]] const TextPanelStyle& style() const noexcept { return style_; }
    // Pen column, in pixels from the left edge of the surface.
    [[nodiscard]] int x() const noexcept { return x_; }
    // Pen row: the top of the current line.
    [[nodiscard]] int y() const noexcept { return y_; }

    friend bool operator==(const TextPanel&, const TextPanel&) = default;

  private:
    TextPanelStyle style_;
    int x_;
    int y_;
};

// Builds the style and returns clearTextPanel of a panel with pen (0, 0): it paints the surface.
[[nodiscard]] TextPanel newTextPanel(SDL_Surface* surface, TTF_Font* font, RenderMode renderMode,
                                     Uint32 foreground, Uint32 background, int lineGap);

// Fills the whole surface (background; for Blended on a surface with an alpha channel, the
// foreground colour at alpha 0) and returns the same style with pen (0, 0).
[[nodiscard]] TextPanel clearTextPanel(const TextPanel& panel);

// putText, then newLine.
[[nodiscard]] TextPanel putLine(const TextPanel& panel, std::string_view utf8);

// Draws the UTF-8 text at the pen, cut at "\r" and "\n"; each run between them is rendered once,
// blitted at the pen, freed, and the pen moves right by the rendered width. Of a run that passes
// the surface's right edge only the characters up to the edge (and two more, whose ink may reach
// back over it) are rendered, so the pen stops a little past the edge. No wrapping. Each invalid
// UTF-8 sequence (one U+FFFD per maximal invalid subpart) and each embedded NUL is drawn as U+FFFD,
// so the pen moves past all of the text. The pen stops at the limits of int instead of wrapping.
// Throws SdlError named after the renderer (e.g. "TTF_RenderUTF8_Shaded") when SDL_ttf returns no
// surface, as for a run of nothing but a byte order mark, which SDL_ttf skips; runs drawn before it
// stay on the surface.
[[nodiscard]] TextPanel putText(const TextPanel& panel, std::string_view utf8);

// Pen to (0, y + lineGap + TTF_FontLineSkip(font)), held within the limits of int.
[[nodiscard]] TextPanel newLine(const TextPanel& panel);

// Pen to (0, y).
[[nodiscard]] TextPanel carriageReturn(const TextPanel& panel);

// The style's surface, for blitting onto the screen.
[[nodiscard]] SDL_Surface* panelSurface(const TextPanel& panel) noexcept;

// How much of a run is measured to know where it passes `room` pixels: a run is measured no
// further than that, and never more than maxMeasuredCharacters at once (SDL_ttf copies what it
// measures onto the stack).
struct RunExtent {
    std::size_t length = 0; // bytes of the run measured, at a character boundary
    int width = 0;          // of those bytes
    bool whole = false;     // the whole run, and it is at most `room` wide
};
inline constexpr std::size_t maxMeasuredCharacters = 1024;

// The whole run when it fits `room`; else its shortest prefix wider than `room` (or the first
// maxMeasuredCharacters characters, when even they are not). Text SDL_ttf cannot measure counts
// as no width.
[[nodiscard]] RunExtent measureRun(TTF_Font* font, std::string_view utf8, long long room);

// The text (without line breaks) in lines no wider than `width`, broken after a space where one
// is, else between characters, each with a character at least. Only the first `maxLines` are laid
// out: when text is left over, the last of them ends in "…".
[[nodiscard]] std::vector<std::string> wrapLines(TTF_Font* font, std::string_view utf8, int width,
                                                 std::size_t maxLines);

// Cuts the text into pieces: each "\r" and each "\n" is a piece of its own, everything between them
// is one run. No piece is empty; the empty text gives no pieces.
[[nodiscard]] std::vector<std::string> splitLineBreaks(std::string_view utf8);

} // namespace Framework
