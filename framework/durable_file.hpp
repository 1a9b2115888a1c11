// Reading a small file whole, and replacing its bytes so that a kill or a full disk leaves the
// old bytes or the new ones, never a mix, and never no file. No SDL. durable_file.cpp holds the
// steps; the system calls under them come from the platform file CMake chooses:
// - durable_file_posix.cpp keeps all that is said below: the new bytes and the rename reach the
//   disk before a save returns (fsync), temporary files are locked while a save holds them and
//   those a killed save left are removed by the next, files are made close-on-exec, and a FIFO
//   or device swapped in is never waited on.
// - durable_file_std.cpp has only the standard library: nothing is synced, so a power cut may
//   lose a save that returned; leftover temporary files stay; another user's file in a sticky
//   folder is not refused ahead (the save fails and says whether its backup stays); a FIFO
//   swapped in for the file between the check and the read blocks the reader; and a write that
//   takes nothing (a broken file system) is retried by the C library for ever.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace Framework {

enum class FileRead : std::uint8_t {
    Missing,
    NotRegular, // a folder, a FIFO, a device: never opened for reading long enough to block
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
// process's umask. The save removes temporary files a killed save left beside the file: only the
// player's own regular files with names a save makes, never one that a running save holds.
//
// On failure FileError names `path` (or the backup that could not be made), and the file and its
// folder are as they were. A backup that could not be removed again is named in the error.
void replaceFile(const std::string& path, std::string_view bytes, OldBytes old);

} // namespace Framework
