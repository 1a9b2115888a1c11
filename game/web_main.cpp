// The page's program: the story file the page put beside it, read at start-up as the writer's
// tools read it and played in the look the page names, `game` (the desktop game's panels) or
// `story` (the writer's player's), with the game's record around it. A story that keeps the
// reader's place has the keys taken so far kept beside the record, and played again at the next
// start.
#include "engine/input.hpp"
#include "engine/stage.hpp"
#include "engine/story_file.hpp"
#include "engine/story_files.hpp"
#include "engine/story_stage.hpp"
#include "framework/durable_file.hpp"
#include "framework/event_wait.hpp"
#include "game/config.hpp"
#include "game/game_data.hpp"

#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace Engine;

// The page puts the story's files in their own folder; the record and the place are in the working
// directory, which the page keeps.
constexpr const char* storyName = "story.txt";
constexpr const char* storyPath = "/page/story.txt";
constexpr const char* placePath = "place.txt";
// Far more keys than any reading takes; a larger file is not one this program wrote.
constexpr std::uintmax_t maxPlaceBytes = std::uintmax_t{16} << 20;

// The page stores the files that changed.
EM_JS(void, storeFiles, (), { Module.gorubadon.store(); });
// The option keys the page keeps from scrolling.
EM_JS(void, tellOptionKeys, (int count), { Module.gorubadon.optionKeys = count; });
// The page offers to start again.
EM_JS(void, offerStartAgain, (), { Module.gorubadon.keepsPlace(); });

std::vector<KeyOutcome> keptPlace() {
    const Framework::FileBytes kept = Framework::readFile(placePath, maxPlaceBytes);
    return kept.result == Framework::FileRead::Read ? keysFromText(kept.bytes)
                                                    : std::vector<KeyOutcome>{};
}

void keepPlace(const std::vector<KeyOutcome>& keys) {
    Framework::replaceFile(placePath, keysText(keys) + "\n", Framework::OldBytes::Replace);
    storeFiles();
}

void forgetPlace() {
    static_cast<void>(std::remove(placePath));
    storeFiles();
}

// The engine's play loop with the page's keys; a story that keeps its place keeps each key taken.
class PagePlay {
  public:
    PagePlay(const StoryFile& file, bool storyLook) : file_(file), storyLook_(storyLook) {}

    // The keys kept from the last visit, played again as far as the story still has them.
    void resume(FrameValues& values) {
        if (file_.keepPlace) {
            offerStartAgain();
            keys_ = keptPlace();
            keys_.resize(replayKeys(values, keys_));
        }
        fill(values);
    }

    static void show(const FrameValues& values) noexcept { showFrame(values); }
    [[nodiscard]] static SDL_Event next() { return Framework::waitForEvent(); }

    [[nodiscard]] std::optional<FrameValues> step(const FrameValues& values,
                                                  const SDL_Event& event) {
        const KeyOutcome outcome = readKey(event, values.state);
        std::optional<FrameValues> next = dispatch(values, event);
        if (!next) {
            return next;
        }
        const bool ended = next->state.gameOver && !values.state.gameOver;
        if (file_.keepPlace && !ended && replayable(outcome, values.state, next->state)) {
            keys_.push_back(outcome);
            keepPlace(keys_);
        }
        if (file_.keepPlace && ended) {
            // The story is read to its end: the next visit starts it afresh.
            forgetPlace();
        }
        fill(*next);
        return next;
    }

  private:
    // A picture smaller than the window leaves black around it, as in the writer's player.
    void fill(const FrameValues& values) const {
        if (storyLook_) {
            SDL_FillRect(values.screen, nullptr, 0);
        }
    }

    const StoryFile& file_;
    bool storyLook_;
    std::vector<KeyOutcome> keys_;
};

void play(SDL_Surface* screen, const StoryFile& file, const StoryLook& look, bool storyLook) {
    // A story sets no timer; SDL's would only wake the page.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    GameResources resources = loadResources(screen, look);
    const Story& story = *file.story;
    const EngineState start = initialEngineState(story);
    FrameValues values = storyLook ? spacedValues(screen, resources,
                                                  descenderGap(resources.font.get(), story), start)
                                   : FrameValues{screen,
                                                 SDL_MapRGB(screen->format, 0, 0, 0),
                                                 resources.panelA,
                                                 resources.panelB,
                                                 resources.panelC,
                                                 resources.background.get(),
                                                 start};
    PagePlay page(file, storyLook);
    page.resume(values);
    static_cast<void>(playLoop(values, page));
    release(resources);
}

} // namespace

// Arguments from the page: the look, `game` or `story`, and the picture's path.
int main(int argc, char** argv) {
    const std::string_view lookName = argc > 1 ? argv[1] : "game";
    const std::string picture = argc > 2 ? argv[2] : "/page/picture.jpg";
    const Engine::FileBytes text = readRegularFile(storyPath, maxStoryFileBytes, "a story file");
    if (!text.problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", storyName, text.problem.c_str());
        return EXIT_FAILURE;
    }
    const StoryFile file = readStory(text.bytes, storyName);
    if (file.story == nullptr) {
        for (const StoryFileError& error : file.errors) {
            std::fprintf(stderr, "%s\n", describe(error).c_str());
        }
        return EXIT_FAILURE;
    }
    tellOptionKeys(static_cast<int>(optionKeys));
    const bool storyLook = lookName == "story";
    StoryLook look = storyLook ? playerLook(Game::Config::look) : Game::Config::look;
    const std::string caption = file.title.empty() ? storyName : file.title;
    look.caption = caption.c_str();
    look.fontPath = "/page/font.ttf";
    look.iconPath = "/page/icon.bmp";
    look.backgroundPath = picture.c_str();
    return runStoryGame(look, [&](SDL_Surface* screen) {
        const Game::SaveFile saved = Game::readSaveFile(Game::Config::savePath);
        const auto save = [&] {
            Game::saveGameData(Game::Config::savePath, saved.data, saved.old);
        };
        // As the desktop game: the record read is the one kept, whenever play is cut off.
        const Framework::WaysOut cutOff{save};
        play(screen, file, look, storyLook);
        save();
    });
}
