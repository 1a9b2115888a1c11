#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include <optional>
#include <utility>

SaveFile readSaveFile(const std::string& path) noexcept {
    try {
        FileBytes file = readFile(path, saveSizeLimit);
        if (file.result == FileRead::Failed) {
            return {defaultGameData, OldBytes::KeepAsBackup};
        }
        if (file.result != FileRead::Read || file.bytes.empty()) {
            return {}; // nothing to keep
        }
        std::optional<TextRecord> read = readGameDataText(file.bytes);
        if (!read) {
            return {defaultGameData, OldBytes::KeepAsBackup};
        }
        return {std::move(read->data), read->exact ? OldBytes::Replace : OldBytes::KeepAsBackup};
    } catch (...) {
        return {defaultGameData, OldBytes::KeepAsBackup}; // out of memory: the backup needs none
    }
}

GameData loadGameData(const std::string& path) noexcept {
    return readSaveFile(path).data;
}

void saveGameData(const std::string& path, const GameData& data, OldBytes old) {
    replaceFile(path, gameDataToText(data), old);
}
