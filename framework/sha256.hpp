// SHA-256, for naming a set of files by their bytes. Pure.
#pragma once

#include <string>
#include <string_view>

namespace Framework {

// The digest of `bytes` in 64 lowercase hexadecimal digits.
[[nodiscard]] std::string sha256Hex(std::string_view bytes);

} // namespace Framework
