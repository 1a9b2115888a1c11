#include "engine/story_stage.hpp"

#include "framework/sdl_handles.hpp"
#include "framework/text_panel.hpp"
#include "framework/utf8.hpp"

#include <algorithm>
#include <set>
#include <variant>

namespace Engine {

namespace {

// One past the lowest row a rendered run inks; 0 for a run that does not render.
int lowestInkedRow(TTF_Font* font, const std::string& run) {
    const SDL_Color ink{0, 0, 0, 0};
    const SDL_Color paper{255, 255, 255, 0};
    const Framework::SurfacePtr text(TTF_RenderUTF8_Shaded(font, run.c_str(), ink, paper));
    if (!text) {
        return 0;
    }
    int lowest = 0;
    SDL_LockSurface(text.get());
    for (int y = 0; y < text->h; ++y) {
        const auto* row = static_cast<const Uint8*>(text->pixels) + y * text->pitch;
        for (int x = 0; x < text->w; ++x) {
            if (row[x] != 0) {
                lowest = y + 1;
                break;
            }
        }
    }
    SDL_UnlockSurface(text.get());
    return lowest;
}

Framework::TextPanel spaced(const Framework::TextPanel& panel, int gap) {
    const Framework::TextPanelStyle& s = panel.style();
    return Framework::newTextPanel(s.surface, s.font, s.renderMode, s.foreground, s.background,
                                   gap);
}

// A key press as the window would deliver it.
SDL_Event keyEvent(KeyOutcome outcome) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = outcome == KeyOutcome::Feed           ? SDLK_SPACE
                           : outcome == KeyOutcome::SelectFirst  ? SDLK_1
                           : outcome == KeyOutcome::SelectSecond ? SDLK_2
                                                                 : SDLK_3;
    return event;
}

constexpr std::string_view keyLetters = ".123";
constexpr KeyOutcome keyOutcomes[] = {KeyOutcome::Feed, KeyOutcome::SelectFirst,
                                      KeyOutcome::SelectSecond, KeyOutcome::SelectThird};

} // namespace

int descenderGap(TTF_Font* font, const Story& story) {
    // Every character once, rendered as the panels render it: the lowest row any of them inks.
    std::set<char32_t> used;
    for (std::size_t s = 1; s < story.sequenceCount(); ++s) {
        for (const Scenario& element : story.elements(listAt(s))) {
            std::vector<std::string_view> texts;
            if (const auto* text = std::get_if<ScenarioText>(&element)) {
                texts.emplace_back(text->text);
            } else if (const auto* selector = std::get_if<ScenarioSelector>(&element)) {
                for (const SelectorOption& option : story.options(*selector)) {
                    texts.emplace_back(option.label);
                }
            }
            for (const std::string_view t : texts) {
                for (std::size_t i = 0; i < t.size();) {
                    const Framework::Utf8::Decoded d = Framework::Utf8::decodeAt(t, i);
                    used.insert(d.cp >= 0x20 ? d.cp : U' ');
                    i += d.length;
                }
            }
        }
    }
    // In runs of a few hundred characters: SDL makes no surface wider than 16383 pixels.
    constexpr std::size_t perRun = 256;
    int lowest = 0;
    std::string run;
    std::size_t inRun = 0;
    for (auto c = used.begin(); c != used.end();) {
        Framework::Utf8::append(run, *c);
        ++c;
        if (++inRun == perRun || c == used.end()) {
            lowest = std::max(lowest, lowestInkedRow(font, run));
            run.clear();
            inRun = 0;
        }
    }
    return std::max(0, lowest - TTF_FontLineSkip(font));
}

StoryLook playerLook(StoryLook look) {
    return marginsTaken(look);
}

FrameValues spacedValues(SDL_Surface* screen, const GameResources& resources, int gap,
                         const EngineState& state) {
    return {screen,
            SDL_MapRGB(screen->format, 0, 0, 0),
            spaced(resources.panelA, gap),
            spaced(resources.panelB, gap),
            spaced(resources.panelC, gap),
            resources.background.get(),
            state};
}

bool replayable(KeyOutcome outcome, const EngineState& before, const EngineState& after) noexcept {
    return outcome == KeyOutcome::Feed || (outcome != KeyOutcome::Nothing && after != before);
}

std::size_t replayKeys(FrameValues& values, const std::vector<KeyOutcome>& keys) {
    std::size_t done = 0;
    for (; done < keys.size(); ++done) {
        const KeyOutcome key = keys[done];
        const EngineState& state = values.state;
        const bool fits = !state.gameOver && readKey(keyEvent(key), state) == key &&
                          (key == KeyOutcome::Feed || update(inputOf(key), state) != state);
        if (!fits) {
            break;
        }
        std::optional<FrameValues> next = dispatch(values, keyEvent(key));
        if (!next) {
            break;
        }
        values = *next;
    }
    return done;
}

std::string keysText(const std::vector<KeyOutcome>& keys) {
    std::string text;
    text.reserve(keys.size());
    for (const KeyOutcome key : keys) {
        const auto* at = std::find(std::begin(keyOutcomes), std::end(keyOutcomes), key);
        if (at != std::end(keyOutcomes)) {
            text += keyLetters[static_cast<std::size_t>(at - std::begin(keyOutcomes))];
        }
    }
    return text;
}

std::vector<KeyOutcome> keysFromText(std::string_view text) {
    std::vector<KeyOutcome> keys;
    for (const char c : text) {
        const std::size_t at = keyLetters.find(c);
        if (at == std::string_view::npos) {
            break;
        }
        keys.push_back(keyOutcomes[at]);
    }
    return keys;
}

} // namespace Engine
