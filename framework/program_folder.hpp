// The folder this program was started from, so that an installed program finds what was installed
// beside it wherever it is started. CMake builds one platform file to give it
// (linux/program_folder.cpp, portable/program_folder.cpp).
#pragma once

#include <filesystem>
#include <optional>

namespace Framework {

// How main was started (its argv[0]), for a system that cannot say where the program is: called
// once, before programFolder and before the working directory changes.
void rememberProgramName(const char* argv0);

// Where the running program's file is; nullopt where that cannot be known.
[[nodiscard]] std::optional<std::filesystem::path> programFolder();

} // namespace Framework
