// Feeds arbitrary bytes to the save-file reader. Whatever reads as a record must survive a trip
// through the writer unchanged, and the writer's text must be stable:
//   r1 = read(bytes), s1 = write(r1), r2 = read(s1), s2 = write(r2): r1 == r2 and s1 == s2.
// The same bytes as an item in memory, valid UTF-8 or not, must also give a text that reads back,
// and the size the save checks against the limit must be the written size.
#include "game/game_data_text.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

[[nodiscard]] bool isAsciiLine(const std::string& s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) {
            return false;
        }
    }
    return true;
}

void roundTrip(const GameData& record) {
    const std::string s1 = gameDataToText(record);
    check(isAsciiLine(s1) && gameDataTextSize(record) == s1.size());
    const std::optional<GameData> r2 = gameDataFromText(s1);
    check(r2.has_value() && *r2 == record);
    check(gameDataToText(*r2) == s1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes{reinterpret_cast<const char*>(data), size};
    if (const std::optional<GameData> r1 = gameDataFromText(bytes)) {
        roundTrip(*r1);
    }

    GameData holder;
    holder.items.emplace_back(bytes);
    const std::string s1 = gameDataToText(holder);
    check(isAsciiLine(s1));
    const std::optional<GameData> back = gameDataFromText(s1);
    check(back.has_value());
    roundTrip(*back);
    return 0;
}
