#include "writer/story_findings.hpp"

#include "engine/frame.hpp"
#include "framework/sdl_error.hpp"
#include "framework/text_panel.hpp"
#include "writer/story_explore.hpp"

#include <iostream>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace Engine {

FontLibrary::FontLibrary() {
    if (TTF_Init() != 0) {
        Framework::throwSdlError("TTF_Init");
    }
}

FontLibrary::~FontLibrary() {
    TTF_Quit();
}

TextFit fontFit(TTF_Font* font, const StoryLook& look, int lineGap) {
    return {[font](std::string_view run) {
                const Framework::RunExtent extent =
                    Framework::measureRun(font, run, std::numeric_limits<long long>::max());
                return extent.whole ? extent.width : unmeasuredWidth;
            },
            TTF_FontLineSkip(font) + lineGap,
            shownLineWidth(look),
            look.storyPanelHeight,
            look.choicesPanelHeight,
            [font](char32_t c) {
                // SDL_ttf 2.0 asks for glyphs by UCS-2: characters beyond it cannot be drawn.
                return c <= 0xFFFF && TTF_GlyphIsProvided(font, static_cast<Uint16>(c)) != 0;
            }};
}

std::size_t printFindings(const Story& story, const StorySource& source, const TextFit* fit) {
    std::vector<Finding> findings = checkShape(story, source);
    if (fit != nullptr) {
        for (Finding& finding : checkFit(story, *fit)) {
            findings.push_back(std::move(finding));
        }
    }
    std::size_t limits = 0;
    if (!story.values().empty()) {
        const Playthroughs walked = explorePlaythroughs(story, fit);
        findings.insert(findings.end(), walked.findings.begin(), walked.findings.end());
        if (!walked.complete) {
            limits = 1;
        }
        for (const Finding& finding : findings) {
            std::cout << describe(finding, source) << '\n';
        }
        if (!walked.complete) {
            std::cout << (source.file.empty() ? "the story" : source.file)
                      << ": checked as far as the first " << walked.states
                      << " states; the story has more, and the rest is not checked\n";
        }
        return findings.size() + limits;
    }
    for (const Finding& finding : findings) {
        std::cout << describe(finding, source) << '\n';
    }
    return findings.size();
}

} // namespace Engine
