// The folder this program was started from, so that an installed program finds what was installed
// beside it wherever it is started. CMake builds one platform file to give it
// (program_folder_linux.cpp, program_folder_std.cpp).
#pragma once

#include <filesystem>
#include <optional>

namespace Framework {

// Where the running program's file is; nullopt where the system cannot say.
[[nodiscard]] std::optional<std::filesystem::path> programFolder();

} // namespace Framework
