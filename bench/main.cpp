// Runs the benchmarks from the repository root, where the game finds data/.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (chdir(GORUBADON_SOURCE_ROOT) != 0) {
        std::perror(GORUBADON_SOURCE_ROOT);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
