// Small pieces of text that the story's reader, its checks and the interpreter must agree on.
#pragma once

#include "engine/scenario.hpp"
#include "framework/utf8.hpp"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace Engine {

// The comparisons a condition is written with, as in "coins >= 3".
inline constexpr std::array<std::pair<std::string_view, Compare>, 6> compareSymbols{{
    {"=", Compare::Equal},
    {"!=", Compare::NotEqual},
    {"<", Compare::Less},
    {"<=", Compare::AtMost},
    {">", Compare::More},
    {">=", Compare::AtLeast},
}};

// A name or a label as messages show it: "haggle".
[[nodiscard]] inline std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The value of an ASCII or full-width digit; none for any other character.
[[nodiscard]] inline std::optional<unsigned> digitValue(char32_t cp) {
    if (cp >= U'0' && cp <= U'9') {
        return static_cast<unsigned>(cp - U'0');
    }
    if (cp >= U'０' && cp <= U'９') {
        return static_cast<unsigned>(cp - U'０');
    }
    return std::nullopt;
}

// n in ASCII or in full-width digits, as an option's number is shown.
[[nodiscard]] inline std::string numeral(std::size_t n, bool fullWidth) {
    const std::string digits = std::to_string(n);
    if (!fullWidth) {
        return digits;
    }
    std::string wide;
    for (const char d : digits) {
        Framework::Utf8::append(wide, U'０' + static_cast<char32_t>(d - '0'));
    }
    return wide;
}

} // namespace Engine
