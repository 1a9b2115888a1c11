// The closed set of inputs the engine understands. The frame turns key presses into these; the
// engine never sees a window-system event.
#pragma once

#include <cstdint>

namespace Engine {

// Declaration order is the ordinal order (0 to 6).
enum class TGInput : std::uint8_t {
    InputNone,
    HeartBeat,
    TGQuit,
    TextFeed,
    SelectFirst,
    SelectSecond,
    SelectThird,
};

} // namespace Engine
