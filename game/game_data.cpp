#include "game/game_data.hpp"

#include "game/game_data_text.hpp"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace Game {

ItemList::ItemList(std::initializer_list<std::string_view> items) {
    for (const std::string_view item : items) {
        push_back(item);
    }
}

ItemList::ItemList(std::string bytes, std::vector<std::uint32_t> ends)
    : bytes_(std::move(bytes)), ends_(std::move(ends)) {
    if (!std::is_sorted(ends_.begin(), ends_.end()) ||
        (ends_.empty() ? 0 : ends_.back()) != bytes_.size()) {
        throw std::invalid_argument{"item ends"};
    }
}

void ItemList::push_back(std::string_view item) {
    if (item.size() > std::numeric_limits<std::uint32_t>::max() - bytes_.size()) {
        throw std::length_error{"items"};
    }
    bytes_.append(item);
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

std::strong_ordering operator<=>(const ItemList& a, const ItemList& b) noexcept {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        // compare() rather than <=>, which older standard libraries (emscripten's) lack for
        // string_view; the order is the same.
        if (const std::strong_ordering order = a[i].compare(b[i]) <=> 0; order != 0) {
            return order;
        }
    }
    return a.size() <=> b.size();
}

SaveFile readSaveFile(const std::string& path, std::uintmax_t limit) noexcept {
    try {
        Framework::FileBytes file = Framework::readFile(path, limit);
        if (file.result == Framework::FileRead::Failed) {
            return {defaultGameData, Framework::OldBytes::KeepAsBackup};
        }
        if (file.result != Framework::FileRead::Read || file.bytes.empty()) {
            return {}; // nothing to keep
        }
        std::optional<TextRecord> read = readGameDataText(file.bytes, limit);
        // A record that is not the file's own and could not be written either is no record to
        // play with: its bytes are kept as any others are.
        if (!read || (!read->exact && gameDataTextSize(read->data) > limit)) {
            return {defaultGameData, Framework::OldBytes::KeepAsBackup};
        }
        return {std::move(read->data),
                read->exact ? Framework::OldBytes::Replace : Framework::OldBytes::KeepAsBackup};
    } catch (...) {
        return {defaultGameData,
                Framework::OldBytes::KeepAsBackup}; // out of memory: the backup needs none
    }
}

GameData loadGameData(const std::string& path) noexcept {
    return readSaveFile(path).data;
}

void saveGameData(const std::string& path, const GameData& data, Framework::OldBytes old,
                  std::uintmax_t limit) {
    if (gameDataTextSize(data) > limit) {
        // The reader would refuse the text. A file that holds the record in a shorter form (raw
        // Japanese rather than escapes) keeps it.
        const Framework::FileBytes file = Framework::readFile(path, limit);
        const std::optional<TextRecord> there = file.result == Framework::FileRead::Read
                                                    ? readGameDataText(file.bytes, limit)
                                                    : std::nullopt;
        if (there && there->exact && there->data == data) {
            return;
        }
        throw Framework::FileError(path, std::generic_category().message(EFBIG));
    }
    Framework::replaceFile(path, gameDataToText(data), old);
}

} // namespace Game
