#include "writer/story_player.hpp"

#include "engine/frame.hpp"
#include "engine/keymap.hpp"
#include "engine/stage.hpp"
#include "engine/story_files.hpp"
#include "engine/story_stage.hpp"
#include "framework/program_folder.hpp"
#include "framework/runner.hpp"
#include "framework/sdl_handles.hpp"
#include "writer/story_findings.hpp"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <filesystem>
#include <iostream>

namespace Engine {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view dataPrefix = "data/";

std::optional<std::string> readWhole(const std::string& path, std::ostream& errors) {
    FileBytes file = readRegularFile(path, maxStoryFileBytes, "a story file");
    if (!file.problem.empty()) {
        errors << path << ": " << file.problem << '\n';
        return std::nullopt;
    }
    return std::move(file.bytes);
}

// The game's data as installed beside this program, or else the working directory's data/.
fs::path dataFolder(const StoryLook& look) {
    const fs::path font = fs::path(look.fontPath).lexically_relative("data");
    std::vector<fs::path> candidates;
    std::error_code error;
    if (const std::optional<fs::path> self = Framework::programFolder()) {
        candidates.push_back(*self / GORUBADON_INSTALLED_DATA);
    }
    candidates.emplace_back("data");
    for (const fs::path& folder : candidates) {
        if (fs::exists(folder / font, error)) {
            return folder;
        }
    }
    return candidates.back();
}

std::string inData(const fs::path& data, std::string_view lookPath) {
    if (lookPath.substr(0, dataPrefix.size()) == dataPrefix) {
        lookPath.remove_prefix(dataPrefix.size());
    }
    return (data / lookPath).string();
}

// A picture a story names is found from the story file's folder.
std::string pictureOf(const std::string& storyPath, const std::string& picture) {
    return (fs::path(storyPath).parent_path() / picture).string();
}

bool readable(const std::string& path) {
    return regularFileProblem(path, maxStoryFileBytes, "a font").empty();
}

// Waits for the next event; a change of the file comes as an SDL_USEREVENT. The file is looked at
// five times a second and read once it has stopped changing, so a save in two writes is read once.
class FileWatch {
  public:
    explicit FileWatch(std::string path) : path_(std::move(path)), seen_(stamp()) {}

    SDL_Event next() {
        for (int tick = 1;; ++tick) {
            SDL_Event event;
            if (SDL_PollEvent(&event) != 0) {
                return event;
            }
            if (tick % 10 == 0 && changed()) {
                event.type = SDL_USEREVENT;
                return event;
            }
            SDL_Delay(20);
        }
    }

  private:
    using Stamp = std::pair<fs::file_time_type, std::uintmax_t>;

    Stamp stamp() const {
        std::error_code error;
        const fs::file_time_type time = fs::last_write_time(path_, error);
        const std::uintmax_t size = error ? 0 : fs::file_size(path_, error);
        return error ? Stamp{} : Stamp{time, size};
    }

    bool changed() {
        const Stamp now = stamp();
        if (now == Stamp{} || now == seen_) {
            settling_ = false;
            return false;
        }
        if (!settling_ || now != settlingAt_) {
            settling_ = true;
            settlingAt_ = now;
            return false;
        }
        settling_ = false;
        seen_ = now;
        return true;
    }

    std::string path_;
    Stamp seen_;
    bool settling_ = false;
    Stamp settlingAt_;
};

// An error as the window shows it: the file's name, not its whole path, so that the line and
// column stay in sight.
std::string shownError(const std::string& path, std::size_t line, std::size_t column,
                       const std::string& message) {
    std::string where = fs::path(path).filename().string();
    if (line != 0) {
        where += ":" + std::to_string(line) + ":" + std::to_string(column);
    }
    return where + ": " + message;
}

class Player {
  public:
    Player(SDL_Surface* screen, LoadedStory story, std::size_t section, const StoryLook& look,
           std::string path)
        : story_(std::move(story)), startName_(story_.file.source.sections.at(section).name),
          defaultPicture_(story_.paths.defaultPicture), look_(playerLook(look)),
          path_(std::move(path)), watch_(path_),
          resources_(loadResources(screen, shown(look_, story_.paths))),
          gap_(descenderGap(resources_.font.get(), *story_.file.story)),
          fit_(fontFit(resources_.font.get(), look_, gap_)),
          values_(spacedValues(screen, resources_, gap_, stateAt(section))) {
        showCaption(false);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player() { release(resources_); }

    void run() {
        clearScreen();
        static_cast<void>(playLoop(values_, *this));
    }

    // The play loop's frames. While an error is shown the page stands alone, without the choices
    // and bottom panels.
    void show(const FrameValues& values) const noexcept {
        if (errorShown_) {
            static_cast<void>(SDL_Flip(values.screen));
        } else {
            showFrame(values);
        }
    }

    // A change of the file comes beside the keys.
    [[nodiscard]] SDL_Event next() { return watch_.next(); }

    [[nodiscard]] std::optional<FrameValues> step(const FrameValues& values,
                                                  const SDL_Event& event) {
        values_ = values;
        if (!handle(event)) {
            return std::nullopt;
        }
        clearScreen();
        return values_;
    }

  private:
    // A picture smaller than the window leaves black around it, not the last frame.
    void clearScreen() const noexcept { SDL_FillRect(values_.screen, nullptr, 0); }

    // What an event does to the player; false when it ends play.
    bool handle(const SDL_Event& event) {
        if (event.type == SDL_USEREVENT) {
            reload();
            return true;
        }
        if (errorShown_ && event.type == SDL_KEYDOWN) {
            // Back to the last good story, at the spot the keys so far reach in it.
            playAgain();
            return true;
        }
        const KeyOutcome outcome = readKey(event, values_.state);
        std::optional<FrameValues> next = dispatch(values_, event);
        if (!next) {
            return false;
        }
        if (replayable(outcome, values_.state, next->state)) {
            keys_.push_back(outcome);
        }
        const bool moved = next->state.cursor.remaining.list != values_.state.cursor.remaining.list;
        values_ = *next;
        if (moved) {
            showCaption(false);
        }
        return true;
    }

    static StoryLook shown(StoryLook look, const StoryPaths& paths) {
        look.fontPath = paths.font.c_str();
        look.backgroundPath = paths.picture.c_str();
        return look;
    }

    // The start of a section, on an empty page, with the values the story starts with.
    EngineState stateAt(std::size_t section) const {
        const Story& story = *story_.file.story;
        return stateAtSequence(story, listAt(section), story.startValues());
    }

    // The keys pressed so far, played again on the story as it now is, as far as they fit.
    void replay() {
        const std::size_t done = replayKeys(values_, keys_);
        stoppedNote_.clear();
        if (done < keys_.size()) {
            stoppedNote_ = " (the replay stopped after " + std::to_string(done) + " of " +
                           std::to_string(keys_.size()) + " keys)";
            keys_.resize(done);
        }
    }

    std::size_t section() const { return listIndex(values_.state.cursor.remaining.list); }

    void showCaption(bool broken) {
        const StoryFile& file = story_.file;
        std::string caption = file.title.empty() ? fs::path(path_).filename().string() : file.title;
        const std::size_t s = section();
        if (s < file.source.sections.size()) {
            caption.append(" - ").append(file.source.sections[s].name);
        }
        caption += stoppedNote_;
        if (broken) {
            caption += " (the file has an error)";
        }
        SDL_WM_SetCaption(caption.c_str(), nullptr);
    }

    // A picture named anew is shown at once; one that cannot be opened leaves the last one.
    void showPicture(const std::string& picture) {
        if (picture == story_.paths.picture) {
            return;
        }
        if (const std::string problem = pictureProblem(picture, nullptr); !problem.empty()) {
            std::cerr << path_ << ": the picture " << picture << " " << problem << '\n';
            return;
        }
        Framework::SurfacePtr image(IMG_Load(picture.c_str()));
        if (!image) {
            std::cerr << path_ << ": the picture " << picture << " cannot be opened\n";
            return;
        }
        Framework::SurfacePtr converted(
            SDL_ConvertSurface(image.get(), values_.screen->format, SDL_SWSURFACE));
        resources_.background = converted ? std::move(converted) : std::move(image);
        values_.background = resources_.background.get();
        story_.paths.picture = picture;
    }

    // The error alone on the page, wrapped; a key takes the writer back to the story.
    void showError(const std::string& error) {
        const auto lines = static_cast<std::size_t>(std::max(1, fit_.storyHeight / fit_.lineSkip));
        Framework::TextPanel panel = Framework::clearTextPanel(values_.panelA);
        for (const std::string& line :
             Framework::wrapLines(resources_.font.get(), error, fit_.panelWidth, lines)) {
            panel = Framework::putLine(panel, line);
        }
        values_.panelA = panel;
        errorShown_ = true;
        showCaption(true);
    }

    // The new story, played again to where the keys so far reach; an edit that does not read
    // leaves the last good story playing.
    void reload() {
        const FileBytes text = readRegularFile(path_, maxStoryFileBytes, "a story file");
        StoryFile file = text.problem.empty() ? readStory(text.bytes, path_) : StoryFile{};
        if (file.story == nullptr) {
            if (!text.problem.empty()) {
                std::cerr << path_ << ": " << text.problem << '\n';
                showError(shownError(path_, 0, 0, text.problem));
            } else {
                const StoryFileError& first = file.errors.front();
                std::cerr << describe(first) << '\n';
                showError(shownError(path_, first.line, first.column, first.message));
            }
            return;
        }
        showPicture(file.picture.empty() ? defaultPicture_ : pictureOf(path_, file.picture));
        story_.file = std::move(file);
        playAgain();
    }

    // The story from the section play began in (or its opening when that section is gone), with
    // the keys so far replayed.
    void playAgain() {
        errorShown_ = false;
        const std::size_t now =
            std::max<std::size_t>(1, sectionIndex(story_.file.source, startName_));
        values_.state = stateAt(now);
        values_.panelA = Framework::clearTextPanel(values_.panelA);
        replay();
        showCaption(false);
    }

    LoadedStory story_;
    std::string startName_; // the section play began in, which a replay begins in again
    std::vector<KeyOutcome> keys_;
    std::string stoppedNote_;
    std::string defaultPicture_;
    StoryLook look_;
    std::string path_;
    FileWatch watch_;
    GameResources resources_;
    int gap_;
    TextFit fit_;
    FrameValues values_;
    bool errorShown_ = false; // the window shows an error that the last edit brought
};

} // namespace

std::optional<LoadedStory> loadStory(const std::string& path, const StoryLook& look,
                                     std::ostream& errors) {
    const std::optional<std::string> text = readWhole(path, errors);
    if (!text) {
        return std::nullopt;
    }
    StoryFile file = readStory(*text, path);
    if (file.story == nullptr) {
        for (const StoryFileError& error : file.errors) {
            errors << describe(error) << '\n';
        }
        return std::nullopt;
    }
    const fs::path data = dataFolder(look);
    const std::string picture = inData(data, look.backgroundPath);
    StoryPaths paths{inData(data, look.fontPath), inData(data, look.iconPath),
                     file.picture.empty() ? picture : pictureOf(path, file.picture), picture};
    return LoadedStory{std::move(file), std::move(paths)};
}

std::vector<std::string> missingFiles(const LoadedStory& story, const StoryLook* sizedFor) {
    std::vector<std::string> lines;
    const StoryFile& file = story.file;
    if (!readable(story.paths.font)) {
        lines.push_back(file.source.file + ": the font " + story.paths.font +
                        " cannot be opened; is the game installed?");
    }
    if (const std::string problem = pictureProblem(story.paths.picture, sizedFor);
        !problem.empty()) {
        const std::string where = file.source.pictureLine != 0
                                      ? file.source.file + ":" +
                                            std::to_string(file.source.pictureLine) +
                                            ": the picture "
                                      : file.source.file + ": the game's picture ";
        lines.push_back(where + story.paths.picture + " " + problem);
    }
    return lines;
}

int playFile(const std::string& path, std::string_view from, const StoryLook& look) {
    std::optional<LoadedStory> story = loadStory(path, look, std::cerr);
    if (!story) {
        return 1;
    }
    std::size_t section = 1;
    if (!from.empty()) {
        section = sectionIndex(story->file.source, from);
        if (section == 0) {
            std::cerr << path << ": " << noSectionNamed(story->file.source, from) << '\n';
            return 2;
        }
    }
    const std::vector<std::string> missing = missingFiles(*story, nullptr);
    if (!missing.empty()) {
        std::cerr << missing.front() << '\n';
        return 1;
    }
    if (const std::optional<std::string> problem = prepareWindow()) {
        std::cerr << "gorubadon-story: " << *problem << '\n';
        return 1;
    }
    const std::string caption = story->file.title;
    const std::string icon = story->paths.icon;
    StoryLook window = look;
    window.caption = caption.c_str();
    window.iconPath = icon.c_str();
    return runStoryGame(window, [&](SDL_Surface* screen) {
        // No timer: the player wakes on its own to look at the file.
        SDL_QuitSubSystem(SDL_INIT_TIMER);
        Player(screen, std::move(*story), section, look, path).run();
    });
}

std::size_t printFileFindings(const LoadedStory& loaded, const StoryLook& look, bool asTheGame) {
    const StoryFile& file = loaded.file;
    const FontLibrary library;
    const Framework::FontPtr font(
        TTF_OpenFontIndex(loaded.paths.font.c_str(), look.fontPointSize, 0));
    std::optional<TextFit> fit;
    if (font) {
        fit = asTheGame
                  ? fontFit(font.get(), look, 0)
                  : fontFit(font.get(), playerLook(look), descenderGap(font.get(), *file.story));
    }
    const std::size_t found = printFindings(*file.story, file.source, fit ? &*fit : nullptr);
    const std::vector<std::string> missing = missingFiles(loaded, &look);
    for (const std::string& line : missing) {
        std::cout << line << '\n';
    }
    return found + missing.size();
}

} // namespace Engine
