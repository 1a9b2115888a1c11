// The closed set of inputs the engine understands. The frame turns key presses into these; the
// engine never sees a window-system event.
#pragma once

#include <cstddef>
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

// How many options a player can take by key, SelectFirst to SelectThird.
constexpr std::size_t optionKeys = 3;

} // namespace Engine
