// Names of table rows as test names: "A link to itself" becomes "ALinkToItself".
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace test_support {

inline std::string rowName(std::string_view words) {
    std::string name;
    bool start = true;
    for (const char c : words) {
        const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (alnum) {
            name += start ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        }
        start = !alnum;
    }
    return name;
}

} // namespace test_support
