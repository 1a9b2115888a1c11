// The standard library has no way to ask where the running program is: callers look in the working
// directory instead.
#include "framework/program_folder.hpp"

namespace Framework {

std::optional<std::filesystem::path> programFolder() {
    return std::nullopt;
}

} // namespace Framework
