// The player's record and the file that keeps it between runs. The record's text form lives in
// game/game_data_text.hpp, the safe replacing of the file in framework/durable_file.hpp.
#pragma once

#include "framework/durable_file.hpp"

#include <compare>
#include <cstdint>
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

// A larger file is not a record: it is kept as a backup and never read, so it cannot hold up the
// start. Records of several megabytes stay far below it.
inline constexpr std::uintmax_t saveSizeLimit = 64u << 20;

struct SaveFile {
    GameData data;
    // KeepAsBackup when the file holds bytes the save would lose: it could not be read, is not a
    // record, is over the limit, or reading it needed a replacement character or reduced a number.
    OldBytes old = OldBytes::Replace;
    friend bool operator==(const SaveFile&, const SaveFile&) = default;
};

// Never fails and never changes anything on disk. A missing, empty or non-regular file, or one
// that is not a record, gives defaultGameData; so does one read with changes whose text would
// pass the limit, as it could not be saved.
[[nodiscard]] SaveFile readSaveFile(const std::string& path) noexcept;

// readSaveFile(path).data.
[[nodiscard]] GameData loadGameData(const std::string& path) noexcept;

// Replaces the file with the record's text (see replaceFile); throws FileError naming it. A
// record whose text would pass saveSizeLimit is not written: the file is left as it is, and
// that is an error ("File too large") unless it holds the record already.
void saveGameData(const std::string& path, const GameData& data, OldBytes old = OldBytes::Replace);
