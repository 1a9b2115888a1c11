#include "writer/story_publish.hpp"

#include "engine/story_files.hpp"
#include "framework/font_subset.hpp"
#include "framework/program_folder.hpp"
#include "framework/sha256.hpp"
#include "framework/static_server.hpp"
#include "writer/shown_characters.hpp"
#include "writer/story_player.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <vector>

namespace Engine {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view programName = "gorubadon-story";
constexpr std::string_view worker = "sw.js";
constexpr std::string_view storyName = "story.txt";
constexpr int firstPort = 8023;

// The one engine every story is published with: installed beside this program, or else (in a
// build folder of the source) where make web leaves it. Both are found from the program's own
// place, so that no binary carries the path it was built in.
std::optional<fs::path> engineFolder() {
    const std::optional<fs::path> self = Framework::programFolder();
    if (!self) {
        return std::nullopt;
    }
    std::error_code error;
    for (const fs::path& folder :
         {*self / GORUBADON_INSTALLED_WEB, *self / ".." / "build-web" / "engine"}) {
        if (fs::is_regular_file(folder / "index.html", error) &&
            fs::is_regular_file(folder / worker, error)) {
            return folder;
        }
    }
    return std::nullopt;
}

// What a published folder holds of its own, by which an earlier one is known to be replaceable.
bool publishedBefore(const fs::path& folder) {
    std::error_code error;
    return fs::is_regular_file(folder / storyName, error) &&
           fs::is_regular_file(folder / worker, error);
}

bool within(const fs::path& folder, const fs::path& file) {
    std::error_code error;
    const fs::path relative =
        fs::weakly_canonical(file, error).lexically_relative(fs::weakly_canonical(folder, error));
    return !error && !relative.empty() && *relative.begin() != "..";
}

bool emptyFolder(const fs::path& folder) {
    std::error_code error;
    return fs::is_directory(fs::symlink_status(folder, error)) && fs::is_empty(folder, error) &&
           !error;
}

// A fresh folder beside `target`, named after it and hidden, so that nothing reads it half made.
std::optional<fs::path> freshSibling(const fs::path& target, std::string_view what) {
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "." + target.filename().string() + "." + std::string(what) + "-";
        for (int i = 0; i < 8; ++i) {
            name.push_back(letters[random() % (sizeof letters - 1)]);
        }
        const fs::path folder = target.parent_path() / name;
        std::error_code error;
        if (fs::create_directory(folder, error)) {
            return folder;
        }
        if (error && error != std::errc::file_exists) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Removes the folder it holds unless released: a failed publish leaves nothing behind.
class FolderGuard {
  public:
    explicit FolderGuard(fs::path folder) : folder_(std::move(folder)) {}
    ~FolderGuard() {
        if (!folder_.empty()) {
            std::error_code error;
            fs::remove_all(folder_, error);
        }
    }
    FolderGuard(const FolderGuard&) = delete;
    FolderGuard& operator=(const FolderGuard&) = delete;
    void release() { folder_.clear(); }

  private:
    fs::path folder_;
};

bool writeFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::string_view pictureKind(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xFF\xD8\xFF") {
        return "jpg";
    }
    if (bytes.substr(0, 8) == "\x89PNG\r\n\x1A\n") {
        return "png";
    }
    return {};
}

// A JavaScript string between single quotes.
std::string quotedName(std::string_view name) {
    std::string quoted = "'";
    for (const char c : name) {
        if (c == '\'' || c == '\\') {
            quoted.push_back('\\');
        }
        quoted.push_back(c);
    }
    return quoted + "'";
}

int refuse(const std::string& line) {
    std::cerr << programName << ": " << line << '\n';
    return 1;
}

// The folder's files by name, all but the worker, which names them.
using Files = std::map<std::string, std::string>;

std::optional<Files> engineFiles(const fs::path& engine, std::string& problem) {
    Files files;
    std::error_code error;
    for (fs::directory_iterator entry(engine, error), end; !error && entry != end;
         entry.increment(error)) {
        if (!entry->is_regular_file(error)) {
            continue;
        }
        FileBytes read = readRegularFile(entry->path().string(), maxStoryFileBytes, "a page file");
        if (!read.problem.empty()) {
            problem = entry->path().string() + " " + read.problem;
            return std::nullopt;
        }
        files[entry->path().filename().string()] = std::move(read.bytes);
    }
    if (error) {
        problem = engine.string() + " cannot be read";
        return std::nullopt;
    }
    return files;
}

std::string workerFor(std::string_view text, const Files& files) {
    std::string sums;
    std::string names;
    for (const auto& [name, bytes] : files) {
        sums += name + " " + Framework::sha256Hex(bytes) + "\n";
        names += (names.empty() ? "" : ", ") + quotedName(name);
    }
    return fillTemplate(
        text, {{"PAGE_VERSION", Framework::sha256Hex(sums).substr(0, 16)}, {"PAGE_FILES", names}});
}

// The story's folder in place of `target`; false when it could not be put there (and the old
// one, if any, stays).
bool putInPlace(const fs::path& made, const fs::path& target, bool replacing) {
    std::error_code error;
    if (!replacing) {
        fs::rename(made, target, error);
        return !error;
    }
    const std::optional<fs::path> old = freshSibling(target, "old");
    if (!old) {
        return false;
    }
    fs::remove(*old, error);
    fs::rename(target, *old, error);
    if (error) {
        return false;
    }
    fs::rename(made, target, error);
    if (error) {
        fs::rename(*old, target, error);
        return false;
    }
    fs::remove_all(*old, error);
    return true;
}

} // namespace

std::optional<PublishOptions> publishOptions(std::span<const std::string_view> args) {
    PublishOptions options;
    std::vector<std::string_view> named;
    for (const std::string_view arg : args) {
        if (arg == "--serve") {
            options.serve = true;
        } else if (arg == "--game") {
            options.asGame = true;
        } else if (arg.substr(0, 2) == "--" || named.size() == 2) {
            return std::nullopt;
        } else {
            named.push_back(arg);
        }
    }
    if (named.size() != 2 || named[0].empty() || named[1].empty()) {
        return std::nullopt;
    }
    options.story = named[0];
    options.folder = named[1];
    return options;
}

std::string fillTemplate(std::string_view text, const std::map<std::string, std::string>& values) {
    std::string filled;
    std::size_t at = 0;
    for (std::size_t open; (open = text.find('@', at)) != std::string_view::npos;) {
        const std::size_t close = text.find('@', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        filled.append(text.substr(at, open - at));
        const auto value = values.find(std::string(text.substr(open + 1, close - open - 1)));
        if (value == values.end()) {
            filled.push_back('@');
            at = open + 1;
        } else {
            filled += value->second;
            at = close + 1;
        }
    }
    filled.append(text.substr(at));
    return filled;
}

std::string htmlEscaped(std::string_view text) {
    constexpr std::string_view special = "&<>\"'";
    constexpr std::array<std::string_view, special.size()> entities{"&amp;", "&lt;", "&gt;",
                                                                    "&quot;", "&#39;"};
    std::string escaped;
    for (const char c : text) {
        if (const std::size_t at = special.find(c); at != std::string_view::npos) {
            escaped += entities[at];
        } else {
            escaped.push_back(c);
        }
    }
    return escaped;
}

std::string jsonEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            escaped.push_back('\\');
            escaped.push_back(c);
        } else if (byte < 0x20) {
            static constexpr char digits[] = "0123456789abcdef";
            escaped += "\\u00";
            escaped.push_back(digits[byte >> 4]);
            escaped.push_back(digits[byte & 0xF]);
        } else {
            escaped.push_back(c);
        }
    }
    return escaped;
}

int publishStory(const PublishOptions& options, const StoryLook& look) {
    const std::optional<LoadedStory> loaded = loadStory(options.story, look, std::cout);
    if (!loaded) {
        return 1;
    }
    const std::size_t findings = printFileFindings(*loaded, look, options.asGame);
    if (!missingFiles(*loaded, nullptr).empty()) {
        return refuse(options.story + ": not published, as it cannot be shown");
    }
    const std::optional<fs::path> engine = engineFolder();
    if (!engine) {
        return refuse("no web engine to publish with, neither installed beside this program nor "
                      "built: `make web` builds it");
    }

    std::error_code error;
    fs::path target = fs::absolute(options.folder, error).lexically_normal();
    if (!target.has_filename()) {
        target = target.parent_path();
    }
    if (error || target == target.root_path()) {
        return refuse(options.folder + ": cannot be published into");
    }
    const fs::file_status status = fs::symlink_status(target, error);
    const bool replacing = fs::exists(status);
    if (replacing &&
        !(fs::is_directory(status) && (publishedBefore(target) || emptyFolder(target)))) {
        return refuse(options.folder +
                      ": is there and is not a folder publish wrote (it has no story.txt and "
                      "sw.js); name a new folder, or remove this one first");
    }
    // Replacing the folder would delete a file the story is published from.
    for (const std::string& source : {options.story, loaded->paths.picture}) {
        if (replacing && within(target, source)) {
            return refuse(options.folder + ": holds " + source +
                          ", which publishing into it would remove; name another folder");
        }
    }

    std::string problem;
    std::optional<Files> files = engineFiles(*engine, problem);
    if (!files) {
        return refuse(problem);
    }
    const auto templateFile = files->find(std::string(worker));
    if (templateFile == files->end()) {
        return refuse(engine->string() + ": has no " + std::string(worker) +
                      "; `make web` builds it again");
    }
    const std::string workerTemplate = templateFile->second;
    files->erase(templateFile);

    const StoryFile& file = loaded->file;
    const FileBytes story = readRegularFile(options.story, maxStoryFileBytes, "a story file");
    const FileBytes picture =
        readRegularFile(loaded->paths.picture, maxPictureFileBytes, "a picture");
    const FileBytes font = readRegularFile(loaded->paths.font, maxStoryFileBytes, "a font");
    if (!story.problem.empty() || !picture.problem.empty() || !font.problem.empty()) {
        return refuse(options.story + ": a file changed while it was published; try again");
    }
    const std::string_view kind = pictureKind(picture.bytes);
    if (kind.empty()) {
        return refuse(loaded->paths.picture +
                      ": is neither a JPEG nor a PNG picture, the two a page is published with");
    }
    std::set<char32_t> shown = shownCharacters(*file.story);
    addShownCharacters(file.title, shown);
    Framework::FontCut cut = Framework::cutFont(font.bytes, shown);
    if (!cut.problem.empty()) {
        return refuse("the font " + loaded->paths.font + " " + cut.problem);
    }

    const std::string title =
        file.title.empty() ? fs::path(options.story).stem().string() : file.title;
    const std::string pictureName = "picture." + std::string(kind);
    const std::map<std::string, std::string> page{{"TITLE", htmlEscaped(title)},
                                                  {"LOOK", options.asGame ? "game" : "story"},
                                                  {"STORE", options.asGame ? "gorubadon" : ""},
                                                  {"PICTURE", pictureName},
                                                  {"LANG", anyJapanese(shown) ? "ja" : ""},
                                                  {"WIDTH", std::to_string(look.screenWidth)},
                                                  {"HEIGHT", std::to_string(look.screenHeight)}};
    for (const char* name : {"picture.jpg", "picture.png"}) {
        files->erase(name);
    }
    if (const auto index = files->find("index.html"); index != files->end()) {
        index->second = fillTemplate(index->second, page);
    }
    if (const auto manifest = files->find("manifest.webmanifest"); manifest != files->end()) {
        manifest->second = fillTemplate(manifest->second, {{"TITLE", jsonEscaped(title)}});
    }
    (*files)[std::string(storyName)] = story.bytes;
    (*files)[pictureName] = picture.bytes;
    (*files)["font.ttf"] = std::move(cut.bytes);
    const std::string filledWorker = workerFor(workerTemplate, *files);

    fs::create_directories(target.parent_path(), error);
    const std::optional<fs::path> made = freshSibling(target, "publishing");
    if (!made) {
        return refuse(options.folder + ": cannot be written (its folder cannot be written to)");
    }
    FolderGuard guard(*made);
    bool written = writeFile(*made / worker, filledWorker);
    for (const auto& [name, bytes] : *files) {
        written = written && writeFile(*made / name, bytes);
    }
    if (!written || !putInPlace(*made, target, replacing)) {
        return refuse(options.folder + ": cannot be written (the disk may be full)");
    }
    guard.release();

    const std::string published =
        "published in " + target.string() +
        (findings == 0 ? std::string()
                       : " with the " + std::to_string(findings) +
                             (findings == 1 ? " finding above" : " findings above"));
    if (!options.serve) {
        std::cout << published
                  << ": serve the folder over HTTP from any path (a page opened as a file does "
                     "not play), or see it here with --serve\n";
        return 0;
    }
    std::cout << published << '\n';
    const std::string served = Framework::serveFolder(target, firstPort, [](int port) {
        std::cout << "serving it at http://127.0.0.1:" << port << "/ until interrupted"
                  << std::endl;
    });
    return served.empty() ? 0 : refuse(served);
}

} // namespace Engine
