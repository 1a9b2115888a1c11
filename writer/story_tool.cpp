#include "writer/story_tool.hpp"

#include "engine/frame.hpp"
#include "engine/stage.hpp"
#include "engine/story_file.hpp"
#include "framework/program_folder.hpp"
#include "framework/sdl_error.hpp"
#include "framework/sdl_handles.hpp"
#include "writer/story_explore.hpp"
#include "writer/story_findings.hpp"
#include "writer/story_map.hpp"
#include "writer/story_player.hpp"
#include "writer/story_publish.hpp"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

namespace {

int checkBuiltIn(const Story& story, const StoryLook& look) {
    const FontLibrary library;
    const Framework::FontPtr font = openFont(look);
    const TextFit fit = fontFit(font.get(), look, 0);
    return printFindings(story, {}, &fit) == 0 ? 0 : 1;
}

// Every error, or every finding of the story, its font and its picture, on standard output.
int checkFile(const std::string& path, const StoryLook& look) {
    const std::optional<LoadedStory> loaded = loadStory(path, look, std::cout);
    if (!loaded) {
        return 1;
    }
    return printFileFindings(*loaded, look, false) == 0 ? 0 : 1;
}

int mapFile(const std::string& path, const StoryLook& look) {
    const std::optional<LoadedStory> loaded = loadStory(path, look, std::cerr);
    if (!loaded) {
        return 1;
    }
    writeStoryMap(*loaded->file.story, std::cout, loaded->file.source);
    return 0;
}

std::string minutes(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    return whole < 60 ? std::to_string(whole) + " s"
                      : std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
}

int statsFile(const std::string& path, const StoryLook& look) {
    const std::optional<LoadedStory> loaded = loadStory(path, look, std::cerr);
    if (!loaded) {
        return 1;
    }
    const StoryFile& file = loaded->file;
    const StoryStats stats = storyStats(*file.story);
    std::cout << file.source.file << ": " << stats.sections << " sections, " << stats.lines
              << " lines, " << stats.japaneseCharacters << " Japanese characters, "
              << stats.latinWords << " Latin words, " << stats.endings.size() << " endings\n";
    const bool endless = std::any_of(stats.endings.begin(), stats.endings.end(),
                                     [](const EndingWays& ways) { return ways.endless; });
    std::cout << "playthroughs: "
              << (endless ? "endless, as a loop can be gone round as often as one likes"
                  : stats.morePlaythroughs ? "more than " + std::to_string(stats.playthroughs)
                                           : std::to_string(stats.playthroughs))
              << (stats.complete
                      ? ""
                      : ", counted in the first " + std::to_string(stats.states) + " states")
              << '\n';
    for (const EndingWays& ways : stats.endings) {
        std::cout << "ending at line " << sourceLine(file.source, ways.sequence, ways.element)
                  << " \"" << ways.lastLine << "\": shortest " << ways.fewestKeys << " keys, "
                  << minutes(ways.leastSeconds) << " of reading; longest ";
        if (ways.endless) {
            std::cout << "endless: a loop can be gone round before it as often as one likes\n";
        } else {
            std::cout << ways.mostKeys << " keys, " << minutes(ways.mostSeconds) << " of reading\n";
        }
    }
    std::cout << "reading at " << japaneseCharactersPerMinute << " Japanese characters or "
              << latinWordsPerMinute
              << " Latin words a minute: an adult's usual silent reading speed in each script\n";
    return 0;
}

int usage(const char* name) {
    std::fprintf(stderr,
                 "usage: %s play FILE [--from SECTION]\n"
                 "       %s check|map [FILE]\n"
                 "       %s stats FILE\n"
                 "       %s publish FILE DIR [--serve] [--game]\n",
                 name, name, name, name);
    return 2;
}

} // namespace

int storyToolMain(int argc, char** argv, const Story& builtIn, const StoryLook& look) try {
    const char* name = argc > 0 ? argv[0] : "gorubadon-story";
    Framework::rememberProgramName(argc > 0 ? argv[0] : nullptr);
    const std::vector<std::string_view> args(argv + std::min(argc, 1), argv + argc);
    if (args.size() == 1 && args[0] == "map") {
        writeStoryMap(builtIn, std::cout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "check") {
        return checkBuiltIn(builtIn, look);
    }
    if (args.size() == 2 && args[0] == "check") {
        return checkFile(std::string(args[1]), look);
    }
    if (args.size() == 2 && args[0] == "stats") {
        return statsFile(std::string(args[1]), look);
    }
    if (args.size() == 2 && args[0] == "map") {
        return mapFile(std::string(args[1]), look);
    }
    if (args.size() == 2 && args[0] == "play") {
        return playFile(std::string(args[1]), "", look);
    }
    if (args.size() == 4 && args[0] == "play" && args[2] == "--from") {
        return playFile(std::string(args[1]), args[3], look);
    }
    if (args.size() >= 3 && args[0] == "publish") {
        if (const std::optional<PublishOptions> options =
                publishOptions(std::span(args).subspan(1))) {
            return publishStory(*options, look);
        }
    }
    return usage(name);
} catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 2;
}

} // namespace Engine
