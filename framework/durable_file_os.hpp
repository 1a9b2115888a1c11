// What framework/durable_file.cpp asks of the system. CMake builds one of durable_file_posix.cpp
// and durable_file_std.cpp to give it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

// Kept apart, so that a program built on the framework may use these names for its own.
namespace durable_file_os {

// Appends the bytes of the regular file at `path`. False on an error, when it is no longer a
// regular file, or when it turns out longer than `maxBytes`.
[[nodiscard]] bool readRegular(const std::string& path, std::string& out, std::size_t maxBytes);

// True where the folder would let a save replace the file but refuse to remove a backup again.
[[nodiscard]] bool replaceRefused(const std::string& target);

// A fresh file beside `target` holding `bytes`, with `mode` or else the default for a new file.
// Throws FileError naming `path`. Removed again unless it was placed.
class TempFile {
  public:
    TempFile(const std::string& path, const std::string& target, std::string_view bytes,
             std::optional<std::filesystem::perms> mode);
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    // Renames it over the target, durably where the system can.
    [[nodiscard]] std::error_code place() noexcept;

  private:
    std::string target_;
    std::string name_;
    [[maybe_unused]] int lock_ = -1; // POSIX: the open file, locked so no other save sweeps it
    bool placed_ = false;
};

} // namespace durable_file_os
