// The player's record and the file that keeps it between runs. The record's text form lives in
// game/game_data_text.hpp, the safe replacing of the file in framework/durable_file.hpp.
#pragma once

#include "framework/durable_file.hpp"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace Game {

// The record's item names, UTF-8, in one buffer: a record of millions of short items costs little
// more than its file. Items compare one by one, as unsigned bytes, which for UTF-8 is code-point
// order; a list that is a prefix of another comes first.
class ItemList {
  public:
    ItemList() = default;
    ItemList(std::initializer_list<std::string_view> items);
    // Items one after another in `bytes`, item i ending at ends[i]; std::invalid_argument unless
    // the ends rise to bytes.size().
    ItemList(std::string bytes, std::vector<std::uint32_t> ends);

    [[nodiscard]] std::size_t size() const noexcept { return ends_.size(); }
    [[nodiscard]] bool empty() const noexcept { return ends_.empty(); }
    [[nodiscard]] std::string_view operator[](std::size_t i) const noexcept {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view{bytes_}.substr(begin, ends_[i] - begin);
    }
    // std::length_error past 4 GiB of items in all.
    void push_back(std::string_view item);

    friend bool operator==(const ItemList&, const ItemList&) = default;
    friend std::strong_ordering operator<=>(const ItemList& a, const ItemList& b) noexcept;

  private:
    std::string bytes_;
    std::vector<std::uint32_t> ends_;
};

struct GameData {
    std::int32_t hp = 10;
    std::int32_t hpMax = 10;
    std::int32_t turn = 0;
    std::int32_t gold = 1000;
    ItemList items;
    // Field order decides.
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
    Framework::OldBytes old = Framework::OldBytes::Replace;
    friend bool operator==(const SaveFile&, const SaveFile&) = default;
};

// Never fails and never changes anything on disk. A missing, empty or non-regular file, or one
// that is not a record, gives defaultGameData; so does one read with changes whose text would
// pass the limit, as it could not be saved.
// `limit` is saveSizeLimit but where a test asks for another.
[[nodiscard]] SaveFile readSaveFile(const std::string& path,
                                    std::uintmax_t limit = saveSizeLimit) noexcept;

// readSaveFile(path).data.
[[nodiscard]] GameData loadGameData(const std::string& path) noexcept;

// Replaces the file with the record's text (see replaceFile); throws FileError naming it. A
// record whose text would pass the limit is not written: the file is left as it is, and that is
// an error ("File too large") unless it holds the record already.
void saveGameData(const std::string& path, const GameData& data,
                  Framework::OldBytes old = Framework::OldBytes::Replace,
                  std::uintmax_t limit = saveSizeLimit);

} // namespace Game
