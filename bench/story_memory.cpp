// What the writer's tools hold for a very large story: a chain of sections, each a line and an
// option into the next, read, checked and mapped as `check` and `map` do it (without the font).
// Prints the file's size, the most heap each step held at once and its time.
// Usage: gorubadon_story_memory [SECTIONS] (2,600,000 by default: a file of about 108 MB)
#include "engine/story_file.hpp"
#include "writer/story_check.hpp"
#include "writer/story_map.hpp"

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

namespace {

std::size_t heapNow = 0;
std::size_t heapPeak = 0;

// Discards what the map writes, as a pipe to nowhere would.
class NullBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

template <class Step>
void measure(const char* name, std::size_t fileBytes, Step step) {
    const std::size_t before = heapNow;
    heapPeak = heapNow;
    const auto start = std::chrono::steady_clock::now();
    step();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const double peak = static_cast<double>(heapPeak - before);
    std::printf("%-22s %8.0f MB at most, %5.1f times the file, %6.2f s\n", name, peak / 1e6,
                peak / static_cast<double>(fileBytes), took.count());
}

} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    heapNow += malloc_usable_size(p);
    heapPeak = heapNow > heapPeak ? heapNow : heapPeak;
    return p;
}

void operator delete(void* p) noexcept {
    if (p != nullptr) {
        heapNow -= malloc_usable_size(p);
        std::free(p);
    }
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

int main(int argc, char** argv) {
    const long sections = argc > 1 ? std::atol(argv[1]) : 2'600'000;
    std::string text;
    for (long i = 0; i < sections; ++i) {
        const std::string n = std::to_string(i);
        text += "== s" + n + "\nStep " + n + ".\n* On -> s" + std::to_string(i + 1) + "\n";
    }
    text += "== s" + std::to_string(sections) + "\nEnd.\n[end]\n";
    std::printf("%ld chained sections, a file of %.0f MB\n", sections,
                static_cast<double>(text.size()) / 1e6);

    Engine::StoryFile file;
    measure("read", text.size(), [&] { file = Engine::readStory(text, "chain.story"); });
    if (file.story == nullptr) {
        std::fprintf(stderr, "the story does not read\n");
        return 1;
    }
    std::size_t found = 0;
    measure("check (its shape)", text.size(),
            [&] { found = Engine::checkShape(*file.story, file.source).size(); });
    NullBuffer nowhere;
    std::ostream out(&nowhere);
    measure("map", text.size(), [&] { Engine::writeStoryMap(*file.story, out, file.source); });
    // The tools let go of the text once it is read; here it stays for the figures.
    const std::size_t textBytes = malloc_usable_size(text.data());
    const double kept = static_cast<double>(heapNow - textBytes);
    std::printf("%zu findings; the story and its sources hold %.0f MB (%.1f times the file), "
                "%.1f times with the text\n",
                found, kept / 1e6, kept / static_cast<double>(text.size()),
                static_cast<double>(heapNow) / static_cast<double>(text.size()));
    return 0;
}
