// The interpreter alone: a step must cost the same however long the story and however many ties.
#include "engine/interpreter.hpp"
#include "engine/scenario.hpp"
#include "game/story_script.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

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

} // namespace
