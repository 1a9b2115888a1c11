// The interpreter alone: a step must cost the same however long the story and however many ties.
#include "engine/interpreter.hpp"
#include "engine/scenario.hpp"
#include "engine/story_file.hpp"
#include "game/story_script.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace Engine;
using namespace Game;

void BM_FeedLongStory(benchmark::State& state) {
    std::vector<Scenario> elements;
    for (std::int64_t i = 0; i < state.range(0); ++i) {
        elements.emplace_back(ScenarioText{"行" + std::to_string(i)});
    }
    elements.emplace_back(ScenarioEventGameEnd{});
    StoryBuilder b;
    const ListId opening = b.add(std::move(elements));
    const Story story = std::move(b).build(opening);

    const EngineState start = initialEngineState(story);
    EngineState s = start;
    for (auto _ : state) {
        if (s.gameOver) {
            s = start;
        }
        s = update(TGInput::TextFeed, s);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_FeedLongStory)->Arg(1'000)->Arg(100'000);

// One iteration is a million steps round the scissors loop: a choice, then its lines up to the
// selector again.
void BM_MillionTieSteps(benchmark::State& state) {
    constexpr std::int64_t steps = 1'000'000;
    EngineState opening = initialEngineState(storyScript());
    while (opening.cursor.mode != Mode::Choose) {
        opening = update(TGInput::TextFeed, opening);
    }
    for (auto _ : state) {
        EngineState s = opening;
        for (std::int64_t i = 0; i < steps; ++i) {
            s = update(s.cursor.mode == Mode::Choose ? TGInput::SelectSecond : TGInput::TextFeed,
                       s);
        }
        benchmark::DoNotOptimize(s);
        if (s.gameOver) {
            state.SkipWithError("a tie ended the game");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * steps);
}
BENCHMARK(BM_MillionTieSteps)->Unit(benchmark::kMillisecond);

// A story file of `lines` lines as a writer makes them: sections of a hundred lines of text,
// continued lines, page clears and comments, each ending in three options to later sections.
std::string storyText(std::int64_t lines) {
    std::string text = "title: Long\nnumbering: 1:\n";
    std::int64_t written = 2;
    std::int64_t section = 0;
    for (; written < lines; ++section) {
        text += "== part " + std::to_string(section) + "\n";
        ++written;
        for (int line = 0; line < 92 && written < lines; ++line, ++written) {
            text += line % 10 == 9 ? "[new page]\n"
                    : line % 10 == 4
                        ? "| and so the road went on, line " + std::to_string(line) + "\n"
                    : line % 31 == 0
                        ? "# a note for the writer\n"
                        : "The traveller walks on past milestone " + std::to_string(line) + ".\n";
        }
        for (int option = 1; option <= 3 && written < lines; ++option, ++written) {
            text += "* Go on, way " + std::to_string(option) + " -> part " +
                    std::to_string(section + option) + "\n";
        }
        text += "\n";
        ++written;
    }
    // The options of the last sections lead past the end: an ending closes the story.
    for (std::int64_t extra = 0; extra < 3; ++extra) {
        text += "== part " + std::to_string(section + extra) + "\nThe end.\n[end]\n";
    }
    return text;
}

void BM_ReadStoryFile(benchmark::State& state) {
    const std::string text = storyText(state.range(0));
    for (auto _ : state) {
        const StoryFile file = readStory(text, "long.story");
        if (file.story == nullptr) {
            state.SkipWithError(describe(file.errors.front()).c_str());
            break;
        }
        benchmark::DoNotOptimize(file.story.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadStoryFile)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
