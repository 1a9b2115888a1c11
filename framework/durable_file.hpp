// Reading a small file whole, and replacing its bytes so that a kill or a full disk leaves the
// old bytes or the new ones, never a mix, and never no file. No SDL. What this header says holds
// on every platform: durable_file.cpp holds the steps, and the system calls under them come from
// the platform file CMake chooses, which says at its top what more it gives
// (posix/durable_file.cpp: the save on disk before it returns, leftovers swept;
// portable/durable_file.cpp: nothing more).
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Framework {

enum class FileRead : std::uint8_t {
    Missing,
    NotRegular, // a folder, a FIFO, a device
    Failed,     // a regular file that could not be read, or that is larger than asked
    Read,
};

struct FileBytes {
    FileRead result = FileRead::Missing;
    std::string bytes; // only with FileRead::Read
};

// Follows symbolic links. Decides from the size before reading. Never changes anything on disk.
[[nodiscard]] FileBytes readFile(const std::string& path, std::uintmax_t maxBytes) noexcept;

enum class OldBytes : bool {
    Replace,
    // Keep the old file as path + ".bak", or ".bak.1", ".bak.2", ... when that name is taken,
    // beside the file a symbolic link at path leads to: a second link to it, or a copy where the
    // system refuses one. No backup ever replaces a file, and none is kept of bytes that another
    // game saved meanwhile and that this save writes again.
    KeepAsBackup,
};

// what() is the file name of `path`, ": " and the reason, e.g. "save.txt: No space left on device".
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& path, const std::string& reason)
        : std::runtime_error(std::filesystem::path{path}.filename().string() + ": " + reason) {}
};

// Makes `path` hold `bytes`. When it holds them already nothing is written. Otherwise they go to a
// fresh temporary file beside it, which is then renamed over it; a symbolic link at `path` stays
// and the file it leads to is replaced in its own folder. Only a missing or regular file is ever
// replaced, and never rewritten in place: where no temporary file can be made, the save fails.
// The new file keeps the old one's permission bits, or with OldBytes::KeepAsBackup (the old bytes
// were not what the caller wanted) gets the default for a new file, read without changing the
// process's umask.
//
// On failure FileError names `path` (or the backup that could not be made), and the file and its
// folder are as they were. A backup that could not be removed again is named in the error.
void replaceFile(const std::string& path, std::string_view bytes, OldBytes old);

} // namespace Framework
