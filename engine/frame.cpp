#include "engine/frame.hpp"

#include "engine/keymap.hpp"
#include "engine/page.hpp"
#include "framework/shown.hpp"

#include <string>
#include <vector>

namespace Engine {

namespace {

// The story panel gets the text of the element just fed; pageClear clears the page instead.
[[nodiscard]] Framework::TextPanel writeStoryLine(const Framework::TextPanel& panel,
                                                  std::string_view text) {
    if (clearsPage(text)) {
        Framework::tellShown(Framework::Shown::ShownPageCleared, {});
        return Framework::clearTextPanel(panel);
    }
    Framework::tellShown(Framework::Shown::ShownLine, text);
    return Framework::putLine(panel, text);
}

// Where showFrame puts the choices panel: below the story panel.
[[nodiscard]] int choicesTop(const Framework::TextPanel& story) noexcept {
    return panelAY + Framework::panelSurface(story)->h + panelX;
}

// The options as the choices panel shows them, one label a line, to the platform.
void tellOptions(const Framework::TextPanel& written, const EngineState& choosing, int top) {
    std::string lines;
    const std::vector<std::string> labels = offeredLabels(choosing);
    for (const std::string& label : labels) {
        lines.append(lines.empty() ? "" : "\n").append(label);
    }
    // One line's height as the panel writes it: the pen ends a line below the last label, so it
    // cannot be had from where the pen stops.
    const int lineSkip = Framework::newLine(Framework::TextPanel(written.style(), 0, 0)).y();
    Framework::tellShown(Framework::Shown::ShownOptions, lines, top, lineSkip);
}

// One label per line for the options offered, in option order; putLine adds the last line feed.
[[nodiscard]] Framework::TextPanel writeChoices(const Framework::TextPanel& panel,
                                                const EngineState& choosing, int top) {
    Framework::TextPanel written =
        Framework::putLine(Framework::clearTextPanel(panel), choicesText(offeredLabels(choosing)));
    tellOptions(written, choosing, top);
    return written;
}

[[nodiscard]] FrameValues feed(const FrameValues& values) {
    FrameValues next = values;
    next.panelA = writeStoryLine(values.panelA, shownText(values.state));
    next.state = update(TGInput::TextFeed, values.state);
    if (next.state.cursor.mode == Mode::Choose) {
        next.panelB = writeChoices(values.panelB, next.state, choicesTop(next.panelA));
    }
    if (next.state.gameOver && !values.state.gameOver) {
        Framework::tellShown(Framework::Shown::ShownEnding, {});
    }
    return next;
}

[[nodiscard]] FrameValues select(const FrameValues& values, TGInput input) {
    FrameValues next = values;
    next.state = update(input, values.state);
    // Cleared even when the choice changes nothing, so the player sees the key was taken.
    next.panelA = Framework::clearTextPanel(values.panelA);
    Framework::tellShown(Framework::Shown::ShownPageCleared, {});
    if (next.state.cursor.mode == Mode::Choose) {
        // Nothing taken: the same options are still offered.
        tellOptions(values.panelB, values.state, choicesTop(next.panelA));
    }
    return next;
}

} // namespace

void blitAt(SDL_Surface* source, SDL_Surface* screen, Sint16 x, Sint16 y) noexcept {
    SDL_Rect destination{x, y, 0, 0};
    SDL_BlitSurface(source, nullptr, screen, &destination);
}

void showStoryPanel(const FrameValues& values) noexcept {
    blitAt(Framework::panelSurface(values.panelA), values.screen, panelX, panelAY);
}

void showFrame(const FrameValues& values) noexcept {
    const auto below = [](Sint16 y, const Framework::TextPanel& panel) {
        return static_cast<Sint16>(y + Framework::panelSurface(panel)->h + panelX);
    };
    const Sint16 panelBY = below(panelAY, values.panelA);
    if (values.state.cursor.mode != Mode::Normal) {
        blitAt(Framework::panelSurface(values.panelB), values.screen, panelX, panelBY);
    }
    blitAt(Framework::panelSurface(values.panelC), values.screen, panelX,
           below(panelBY, values.panelB));
    SDL_Flip(values.screen);
}

std::optional<FrameValues> dispatch(const FrameValues& values, const SDL_Event& event) {
    switch (const KeyOutcome outcome = readKey(event, values.state)) {
    case KeyOutcome::EndLoop:
        return std::nullopt;
    case KeyOutcome::Nothing:
        return values;
    case KeyOutcome::Feed:
        return feed(values);
    case KeyOutcome::SelectFirst:
    case KeyOutcome::SelectSecond:
    case KeyOutcome::SelectThird:
        return select(values, inputOf(outcome));
    }
    return values;
}

} // namespace Engine
