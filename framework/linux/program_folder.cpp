// Linux names the running program's file in /proc, whatever name or link it was started by.
#include "framework/program_folder.hpp"

#include <system_error>

namespace Framework {

void rememberProgramName(const char* /*argv0*/) {}

std::optional<std::filesystem::path> programFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !self.is_absolute()) {
        return std::nullopt;
    }
    return self.parent_path();
}

} // namespace Framework
