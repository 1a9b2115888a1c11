// Feeds arbitrary bytes to the story reader, and whatever reads as a story to the checks and the
// map. The reader must give a story exactly when it gives no error, name a real line and column
// for each error, and never crash or hang; a story that reads must play, check and draw.
#include "engine/interpreter.hpp"
#include "engine/story_file.hpp"
#include "writer/story_check.hpp"
#include "writer/story_explore.hpp"
#include "writer/story_map.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace {
using namespace Engine;
} // namespace

// A broken promise stops the run where libFuzzer keeps the input.
#define STORY_EXPECT(condition) ((condition) ? static_cast<void>(0) : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes{reinterpret_cast<const char*>(data), size};
    const StoryFile file = readStory(bytes, "f.story");
    STORY_EXPECT((file.story == nullptr) == !file.errors.empty());
    STORY_EXPECT(file.errors.size() <= maxStoryFileErrors);
    const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    for (const StoryFileError& error : file.errors) {
        STORY_EXPECT(error.line >= 1 && error.line <= lines && error.column >= 1);
        STORY_EXPECT(!describe(error).empty());
    }
    if (file.story == nullptr) {
        return 0;
    }
    const Story& story = *file.story;
    STORY_EXPECT(story.sequenceCount() == file.source.sections.size());
    const TextFit fit{[](std::string_view run) { return static_cast<int>(run.size()); },
                      16,
                      304,
                      128,
                      48,
                      [](char32_t c) { return c < 0x3000; }};
    for (const std::vector<Finding>& findings :
         {checkShape(story, file.source), checkFit(story, fit)}) {
        for (const Finding& finding : findings) {
            STORY_EXPECT(finding.sequence < story.sequenceCount());
            STORY_EXPECT(!describe(finding, file.source).empty());
        }
    }
    std::ostringstream map;
    writeStoryMap(story, map, file.source);
    // A short play that always takes the first option it can, showing what a player would see.
    EngineState state = initialEngineState(story);
    for (int step = 0; step < 64 && !state.gameOver; ++step) {
        STORY_EXPECT(offeredLabels(state).size() == offeredOptions(state).size());
        static_cast<void>(shownText(state));
        state = update(state.cursor.mode == Mode::Choose ? TGInput::SelectFirst : TGInput::TextFeed,
                       state);
    }
    // Every playthrough, to a small bound; a trap's keys replay to a state that is not over.
    const Playthroughs walked = explorePlaythroughs(story, &fit, 20'000);
    STORY_EXPECT(walked.states >= 1 && walked.states <= 20'000);
    STORY_EXPECT(walked.complete || walked.states == 20'000);
    for (const Finding& finding : walked.findings) {
        STORY_EXPECT(finding.sequence < story.sequenceCount());
        STORY_EXPECT(!describe(finding, file.source).empty());
        EngineState replayed = initialEngineState(story);
        for (const TGInput key : finding.keys) {
            replayed = update(key, replayed);
        }
        STORY_EXPECT(!finding.message.starts_with("a trap") || !replayed.gameOver);
    }
    return 0;
}
