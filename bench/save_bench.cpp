// The save file: its text form both ways, and the file written and read back.
#include "game/game_data.hpp"
#include "game/game_data_text.hpp"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

using namespace Framework;
using namespace Game;

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

// A fresh folder for a benchmark's files; empty, and the benchmark skipped, where none is made.
[[nodiscard]] std::string benchFolder(benchmark::State& state) {
    std::string dir = (std::filesystem::temp_directory_path() / "gorubadon-bench-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        state.SkipWithError("mkdtemp failed");
        return {};
    }
    return dir;
}

// Includes the fsyncs that make a save survive a crash, so the disk decides much of it.
void BM_SaveRoundTrip(benchmark::State& state) {
    const std::string dir = benchFolder(state);
    if (dir.empty()) {
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

// A record file of saveSizeLimit bytes: items of `item` up to the limit, or (empty `item`) one
// item of bytes 0xFF, each read as U+FFFD.
[[nodiscard]] std::string fileAtTheLimit(const std::string& dir, const std::string& item) {
    const std::string head = "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [";
    std::string text = head;
    text.reserve(saveSizeLimit);
    if (item.empty()) {
        text += '"' + std::string(saveSizeLimit - head.size() - 4, '\xff') + '"';
    } else {
        while (text.size() + item.size() + 1 + 2 <= saveSizeLimit) {
            text += item + ',';
        }
        text += item;
    }
    text += "]}";
    const std::string path = dir + "/save.txt";
    std::ofstream{path, std::ios::binary} << text;
    return path;
}

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:").
[[nodiscard]] long statusKiB(std::string_view field) {
    std::ifstream status{"/proc/self/status"};
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(field)) {
            return std::stol(line.substr(field.size()));
        }
    }
    return 0;
}

// Reads at the limit, in the worst shapes found. Also its peak memory above the program's own,
// measured in a child process that reads once: "peak_x_file" is that over the file's size.
void BM_ReadAtTheLimit(benchmark::State& state) {
    // Empty items, the first costing most per byte; raw Japanese and control characters, whose
    // written forms are longer; letters; and bytes that are not UTF-8, three times longer read,
    // in items or in one string, which is refused before its room is taken.
    const char* const shapes[][2] = {{"\"\"", "empty items"},     {"\"剣\"", "剣 items"},
                                     {"\"\x01\"", "\\x01 items"}, {"\"a\"", "letter items"},
                                     {"\"\xff\"", "0xFF items"},  {"", "one string of 0xFF"}};
    const auto [item, label] = shapes[state.range(0)];
    state.SetLabel(label);
    const std::string dir = benchFolder(state);
    if (dir.empty()) {
        return;
    }
    const std::string path = fileAtTheLimit(dir, item);
    for (auto _ : state) {
        SaveFile read = readSaveFile(path);
        benchmark::DoNotOptimize(read);
    }
    int pipe[2];
    if (::pipe(pipe) == 0 && ::fork() == 0) {
        const long base = statusKiB("VmRSS:");
        static_cast<void>(readSaveFile(path));
        const long peak = statusKiB("VmHWM:") - base;
        ::_exit(::write(pipe[1], &peak, sizeof peak) == sizeof peak ? 0 : 1);
    }
    ::close(pipe[1]);
    long peak = 0;
    if (::read(pipe[0], &peak, sizeof peak) != sizeof peak) {
        state.SkipWithError("no peak from the child");
    }
    ::close(pipe[0]);
    ::wait(nullptr);
    state.counters["peak_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["peak_x_file"] = static_cast<double>(peak) * 1024 / saveSizeLimit;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * saveSizeLimit);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadAtTheLimit)->DenseRange(0, 5)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
