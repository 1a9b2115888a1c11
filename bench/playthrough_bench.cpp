// The walk over every playthrough: a story of a million states, a walker on a grid of two
// numbers, must be checked within 5 s on one core. Memory is reported as a counter.
#include "engine/story_file.hpp"
#include "writer/story_explore.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

using namespace Engine;

// Three states for each point of a side × side grid: at the crossing, and a step east or north.
std::string gridStory(int side) {
    const std::string last = std::to_string(side - 1);
    return "number: x = 0 (0 to " + last + ")\nnumber: y = 0 (0 to " + last +
           ")\n"
           "== walk\n"
           "[if x = " +
           last + " and y = " + last +
           "]\n"
           "Home at last.\n"
           "[end]\n"
           "[end if]\n"
           "* East -> east\n"
           "* North -> north\n"
           "== east\n"
           "[add 1 to x]\n"
           "* On -> walk\n"
           "== north\n"
           "[add 1 to y]\n"
           "* On -> walk\n";
}

void BM_MillionStatesWalked(benchmark::State& state) {
    const StoryFile file = readStory(gridStory(static_cast<int>(state.range(0))), "grid.story");
    if (file.story == nullptr) {
        state.SkipWithError(describe(file.errors.front()).c_str());
        return;
    }
    Playthroughs walked;
    for (auto _ : state) {
        walked = explorePlaythroughs(*file.story, nullptr, 2 * defaultStateBound);
        benchmark::DoNotOptimize(walked);
    }
    if (!walked.complete) {
        state.SkipWithError("the walk stopped at its bound");
    }
    state.counters["states"] = static_cast<double>(walked.states);
    state.counters["MB"] = static_cast<double>(walked.bytes) / 1e6;
    state.counters["bytes/state"] =
        static_cast<double>(walked.bytes) / static_cast<double>(walked.states);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * walked.states));
}
BENCHMARK(BM_MillionStatesWalked)->Arg(578)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
