// The author's player: a story file played in a window, read again whenever the file changes.
#pragma once

#include "engine/look.hpp"
#include "engine/story_file.hpp"

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace Engine {

// The files a story file is shown with: the font and icon from the game's data, the picture the
// file names (relative to the file's folder) or else the game's own.
struct StoryPaths {
    std::string font;
    std::string icon;
    std::string picture;
    std::string defaultPicture; // the game's, for a story that names none
};

struct LoadedStory {
    StoryFile file; // always with a story
    StoryPaths paths;
};

// Reads the file; on failure writes why, or each of its errors, one per line to `errors`.
[[nodiscard]] std::optional<LoadedStory> loadStory(const std::string& path, const StoryLook& look,
                                                   std::ostream& errors);

// One line each for a font or picture that cannot be opened or shown, in the author's terms.
// The picture is loaded as the player loads it; with a look, it must be as large as its window.
[[nodiscard]] std::vector<std::string> missingFiles(const LoadedStory& story,
                                                    const StoryLook* sizedFor);

// Plays the file from its opening or from the section named `from` until the window is closed or
// an ending is read. 0, or 1 when the story cannot be played (reported on stderr), 2 for an
// unknown section.
[[nodiscard]] int playFile(const std::string& path, std::string_view from, const StoryLook& look);

// What check FILE prints of a story that reads: each finding of its shape, of its fit in the
// player's panels (the game's own, as the game lays them out, for `asTheGame`) and each file it
// lacks, one per line on standard output. How many.
[[nodiscard]] std::size_t printFileFindings(const LoadedStory& loaded, const StoryLook& look,
                                            bool asTheGame);

} // namespace Engine
