// For the save's tables of cases: a fresh folder for each, and their rows' names as test names.
#pragma once

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace TestSupport {

// A new folder under the system's temporary one; the test removes it.
inline std::filesystem::path freshFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "gorubadon-save-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error{"mkdtemp"};
    }
    return pattern;
}

// "A link to itself" becomes "ALinkToItself".
inline std::string rowName(std::string_view words) {
    std::string name;
    bool start = true;
    for (const char c : words) {
        if (c == '\'') {
            continue; // "A killed save's leftover" becomes "AKilledSavesLeftover"
        }
        const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (alnum) {
            name += start ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        }
        start = !alnum;
    }
    return name;
}

} // namespace TestSupport
