// The page's test of a record file the player loads: the game's own reader decides, so that a
// file the game would not read back as it is never takes the kept record's place.
#include "game/game_data.hpp"
#include "game/game_data_text.hpp"

#include <emscripten.h>

#include <cstddef>
#include <string_view>

// 1 when the bytes are exactly one record the game reads without a change, else 0.
extern "C" EMSCRIPTEN_KEEPALIVE int gorubadonIsRecord(const char* bytes, std::size_t size) {
    if (size == 0 || size > Game::saveSizeLimit) {
        return 0;
    }
    try {
        const auto read =
            Game::readGameDataText(std::string_view{bytes, size}, Game::saveSizeLimit);
        return read && read->exact ? 1 : 0;
    } catch (...) {
        return 0; // out of memory: not taken
    }
}

// The largest file the game reads as a record; the page refuses a larger one unread.
extern "C" EMSCRIPTEN_KEEPALIVE double gorubadonRecordSizeLimit() {
    return static_cast<double>(Game::saveSizeLimit);
}
