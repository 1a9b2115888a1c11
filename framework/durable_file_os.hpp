// What framework/durable_file.cpp asks of the system. CMake builds one platform file to give it
// (posix/durable_file.cpp, portable/durable_file.cpp). Every answer is an error code, empty on
// success; framework/durable_file.cpp alone turns them into FileError. It gives the platform files
// the temporary file's name, which is the same on every platform.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// Kept apart, so that a program built on the framework may use these names for its own.
namespace Framework::Os {

// Appends the bytes of the regular file at `path`. An error too when it is no longer a regular
// file (EINVAL), or turns out longer than `maxBytes` (EFBIG).
[[nodiscard]] std::error_code readRegular(const std::string& path, std::string& out,
                                          std::size_t maxBytes);

// EPERM where the folder would let a save replace the file but refuse to remove a backup again.
[[nodiscard]] std::error_code checkReplaceable(const std::string& target);

// A fresh temporary name beside `target`: "save.txt.tmp", six random characters and six that
// follow from them, so that a name a player gives a file of their own ("save.txt.tmpbackup") is
// not one a save made. isTempName tells such a file name (no folder) from any other.
[[nodiscard]] std::string tempName(const std::string& target);
[[nodiscard]] bool isTempName(std::string_view fileName, const std::string& target);

// A file of the save's own beside its target, holding the new bytes; the platform's to define.
struct Temp;
struct TempRemover {
    void operator()(Temp* temp) const noexcept; // removes the file unless it was placed
};
using TempFile = std::unique_ptr<Temp, TempRemover>;

// A fresh file beside `target` holding `bytes`, with `mode` or else the default for a new file.
[[nodiscard]] std::error_code writeTemp(const std::string& target, std::string_view bytes,
                                        std::optional<std::filesystem::perms> mode, TempFile& temp);

// Renames it over the target, durably where the system can.
[[nodiscard]] std::error_code place(Temp& temp, const std::string& target) noexcept;

// A copy of the regular file `from` at `to`, with its mode, made only where `to` was free
// (EEXIST otherwise): it never replaces anything, and `from` stays where it is.
[[nodiscard]] std::error_code copyNew(const std::string& from, const std::string& to);

} // namespace Framework::Os
