#include "framework/utf8.hpp"

#include <algorithm>

namespace Framework::Utf8 {

Decoded decodeAt(std::string_view s, std::size_t pos) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t need = 0;
    char32_t cp = 0;
    unsigned char low = 0x80; // the second byte's range, narrowed against overlongs and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {replacementChar, 1};
    }
    std::size_t i = pos + 1;
    for (std::size_t k = 0; k < need; ++k, ++i) {
        if (i >= s.size() || byte(i) < low || byte(i) > high) {
            return {replacementChar, i - pos};
        }
        cp = (cp << 6) | (byte(i) & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return {cp, i - pos};
}

void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::vector<std::string_view> lineBreakPieces(std::string_view text) {
    // Bytes 0x0D and 0x0A never occur inside a multi-byte UTF-8 sequence, so cutting bytes is
    // exact.
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        if (text[start] == '\r' || text[start] == '\n') {
            pieces.push_back(text.substr(start, 1));
            ++start;
            continue;
        }
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

} // namespace Framework::Utf8
