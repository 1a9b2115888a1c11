#include "framework/static_server.hpp"

#include <array>
#include <utility>

namespace Framework {

std::string_view contentType(std::string_view fileName) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 13> types{{
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".wasm", "application/wasm"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".webmanifest", "application/manifest+json"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},
        {".bmp", "image/bmp"},
        {".ttf", "font/ttf"},
        {".txt", "text/plain; charset=utf-8"},
        {".svg", "image/svg+xml"},
    }};
    for (const auto& [ending, type] : types) {
        if (fileName.size() > ending.size() &&
            fileName.substr(fileName.size() - ending.size()) == ending) {
            return type;
        }
    }
    return "application/octet-stream";
}

} // namespace Framework
