// UTF-8 decoding and encoding, shared by the text panels and the save file. Pure: no SDL, no I/O.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Framework::Utf8 {

inline constexpr char32_t replacementChar = 0xFFFD;

struct Decoded {
    char32_t cp;
    std::size_t length; // bytes taken, at least 1
};

// One code point at `pos`, which must be inside `s`. A byte sequence that is not UTF-8 gives
// U+FFFD for each maximal subpart, so one bad byte never swallows the good ones after it.
[[nodiscard]] Decoded decodeAt(std::string_view s, std::size_t pos) noexcept;

// Appends the UTF-8 form of `cp`, a Unicode scalar value (not a surrogate, at most U+10FFFF).
void append(std::string& out, char32_t cp);

// A text as a panel draws it: each run between line breaks, and each "\r" and "\n" as a piece of
// its own, in order. The views point into `text`.
[[nodiscard]] std::vector<std::string_view> lineBreakPieces(std::string_view text);

} // namespace Framework::Utf8
