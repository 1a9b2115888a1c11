// The player's record and the file that keeps it between runs. The record's text form lives in
// game/game_data_text.hpp; this header is what the game's start-up uses.
#pragma once

#include <compare>
#include <cstdint>
#include <stdexcept>
#include <string>
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
    // The old bytes were not a record (perhaps a player's typo): keep them as path + ".bak".
    KeepAsBackup,
};

struct SaveFile {
    GameData data;
    OldSave old = OldSave::Replace;
    friend bool operator==(const SaveFile&, const SaveFile&) = default;
};

// Never fails. A missing, empty or non-regular file, or one that cannot be read or is not a
// record, gives defaultGameData; `old` says whether there are bytes worth keeping: a regular,
// non-empty file that could not be read as a record.
[[nodiscard]] SaveFile readSaveFile(const std::string& path) noexcept;

// readSaveFile(path).data.
[[nodiscard]] GameData loadGameData(const std::string& path) noexcept;

// what() is the file name of the path that failed, ": ", and the system's reason, for example
// "save.txt: No space left on device".
class SaveError : public std::runtime_error {
  public:
    SaveError(const std::string& path, int error);
};

// Writes the record's text to a fresh temporary file beside `path`, syncs it and renames it over
// `path`, so a crash or a full disk never leaves half a file. With OldSave::KeepAsBackup the old
// file is first renamed to path + ".bak". On failure SaveError is thrown and no temporary file
// remains. The old file is untouched unless the failure comes after it has moved: the final
// rename after a backup (its bytes are then in the backup) or the directory sync.
void saveGameData(const std::string& path, const GameData& data, OldSave old = OldSave::Replace);
