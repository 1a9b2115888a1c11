// With the standard library alone, the program is where the name it was started by leads: a path,
// or a bare name looked up on PATH as a shell does. A program started some other way (by an exec
// with a made-up argv[0]) is not found, and callers look in the working directory instead.
#include "framework/program_folder.hpp"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

namespace Framework {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char pathSeparator = ';';
#else
constexpr char pathSeparator = ':';
#endif

std::optional<fs::path>& started() {
    static std::optional<fs::path> folder;
    return folder;
}

std::optional<fs::path> onPath(const fs::path& name) {
    const char* list = std::getenv("PATH");
    std::string_view folders = list == nullptr ? "" : list;
    while (!folders.empty()) {
        const std::size_t end = std::min(folders.find(pathSeparator), folders.size());
        const fs::path candidate = fs::path(folders.substr(0, end)) / name;
        std::error_code error;
        if (end != 0 && fs::is_regular_file(candidate, error)) {
            return candidate;
        }
        folders.remove_prefix(std::min(end + 1, folders.size()));
    }
    return std::nullopt;
}

} // namespace

void rememberProgramName(const char* argv0) {
    if (argv0 == nullptr || *argv0 == '\0') {
        return;
    }
    fs::path path(argv0);
    if (!path.has_parent_path()) {
        const std::optional<fs::path> found = onPath(path);
        if (!found) {
            return;
        }
        path = *found;
    }
    std::error_code error;
    // Through links, to where the file itself is installed.
    const fs::path real = fs::weakly_canonical(fs::absolute(path, error), error);
    if (!error) {
        started() = real.parent_path();
    }
}

std::optional<fs::path> programFolder() {
    return started();
}

} // namespace Framework
