#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include <cerrno>
#include <optional>
#include <system_error>
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
        // A record that is not the file's own and could not be written either is no record to
        // play with: its bytes are kept as any others are.
        if (!read || (!read->exact && gameDataTextSize(read->data) > saveSizeLimit)) {
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
    if (gameDataTextSize(data) > saveSizeLimit) {
        // The reader would refuse the text. A file that holds the record in a shorter form (raw
        // Japanese rather than escapes) keeps it.
        if (readSaveFile(path) == SaveFile{data, OldBytes::Replace}) {
            return;
        }
        throw FileError(path, std::generic_category().message(EFBIG));
    }
    replaceFile(path, gameDataToText(data), old);
}
