// The player's record and the file that keeps it between runs. The record's text form lives in
// game/game_data_text.hpp; this header is what the game's start-up uses.
#pragma once

#include <compare>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

struct GameData {
    std::int32_t hp = 10;
    std::int32_t hpMax = 10;
    std::int32_t turn = 0;
    std::int32_t gold = 1000;
    std::vector<std::string> items; // UTF-8
    // Field order decides; strings compare as unsigned bytes, which for UTF-8 is code-point order.
    friend bool operator==(const GameData&, const GameData&) = default;
    friend auto operator<=>(const GameData&, const GameData&) = default;
};

inline const GameData defaultGameData{};

// What saving does with the file it replaces.
enum class OldSave : bool {
    Replace,
    // The old file could not be read as a record (a player's typo, say, or a mode that keeps the
    // game out): keep it as path + ".bak", or as ".bak.1", ".bak.2", ... when that name is taken,
    // beside the file a symbolic link at path leads to. No backup ever replaces another.
    KeepAsBackup,
};

struct SaveFile {
    GameData data;
    OldSave old = OldSave::Replace;
    friend bool operator==(const SaveFile&, const SaveFile&) = default;
};

// Never fails. A missing, empty or non-regular file, or one that cannot be read or is not a
// record, gives defaultGameData; `old` says whether there are bytes worth keeping: a regular,
// non-empty file that could not be read as a record. On POSIX it first removes the temporary
// files that a killed save left beside the file, never one that a running save holds.
[[nodiscard]] SaveFile readSaveFile(const std::string& path) noexcept;

// readSaveFile(path).data.
[[nodiscard]] GameData loadGameData(const std::string& path) noexcept;

// what() is the file name of the path that failed, ": ", and the system's reason, for example
// "save.txt: No space left on device".
class SaveError : public std::runtime_error {
  public:
    SaveError(const std::string& path, int error);
    SaveError(const std::string& path, std::error_code error);
};

// Writes the record's text to a fresh temporary file beside `path`, then renames it over `path`,
// so that a crash or a full disk leaves the old record or the new one, never half of either. On
// POSIX the file is synced before the rename and the folder after it; a folder that cannot be
// synced does not fail a save that is in place. Where `path` is a symbolic link, the file it
// leads to is replaced in its own folder and the link stays. The new file keeps the old one's
// mode, plus read and write for its owner.
//
// With OldSave::KeepAsBackup the old file is kept first (see OldSave). Where no temporary file
// can be made because the folder may not be written, a regular file at `path` that may be written
// is rewritten in place instead, except with OldSave::KeepAsBackup.
//
// On failure SaveError names `path` (or the backup) and the old file and the folder are as they
// were, except that an in-place write failing half way leaves the file damaged.
void saveGameData(const std::string& path, const GameData& data, OldSave old = OldSave::Replace);
