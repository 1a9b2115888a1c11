// The record's text form, the content of the save file: one line of ASCII such as
//   GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}
#pragma once

#include "game/game_data.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Game {

// Always ASCII. Bytes of an item that are not UTF-8 are written as U+FFFD, as the reader would
// decode them, so the text always reads back.
[[nodiscard]] std::string gameDataToText(const GameData& data);

// gameDataToText(data).size(), without making the text.
[[nodiscard]] std::uintmax_t gameDataTextSize(const GameData& data) noexcept;

// The record, or nothing when the text is not exactly one record. Linear in the length of the
// text, and the depth of parentheses costs no stack.
[[nodiscard]] std::optional<GameData> gameDataFromText(std::string_view text);

// The same, and whether the text held the record exactly: not when a number was reduced modulo
// 2^32 or bytes that are not UTF-8 were read as U+FFFD. Nothing, too, for a record read with
// changes whose items alone pass `maxTextSize` bytes, before the room for them is taken: its
// written form could not be kept either. Memory: the items' bytes and four bytes an item.
struct TextRecord {
    GameData data;
    bool exact = true;
};
[[nodiscard]] std::optional<TextRecord> readGameDataText(std::string_view text,
                                                         std::uintmax_t maxTextSize);

} // namespace Game
