// The save file: its text form both ways, and the file written and read back.
#include "game/game_data.hpp"
#include "game/game_data_text.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Arg 0 is the default record; a larger arg is a record with that many Japanese items.
GameData record(std::int64_t items) {
    GameData data;
    for (std::int64_t i = 0; i < items; ++i) {
        data.items.push_back("薬草" + std::to_string(i));
    }
    return data;
}

void BM_ToText(benchmark::State& state) {
    const GameData data = record(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = gameDataToText(data);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ToText)->Arg(0)->Arg(100'000);

void BM_FromText(benchmark::State& state) {
    const std::string text = gameDataToText(record(state.range(0)));
    for (auto _ : state) {
        auto data = gameDataFromText(text);
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_FromText)->Arg(0)->Arg(100'000);

// Includes the fsyncs that make a save survive a crash, so the disk decides much of it.
void BM_SaveRoundTrip(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "gorubadon-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const std::string path = dir + "/save.txt";
    GameData data = record(state.range(0));
    const std::int64_t bytes = static_cast<std::int64_t>(gameDataToText(data).size());
    for (auto _ : state) {
        // A save of the bytes already there writes nothing: every round changes the record.
        ++data.turn;
        saveGameData(path, data);
        const SaveFile read = readSaveFile(path);
        if (read.data != data) {
            state.SkipWithError("the record did not read back");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SaveRoundTrip)->Arg(0)->Arg(100'000)->Unit(benchmark::kMicrosecond);

} // namespace
