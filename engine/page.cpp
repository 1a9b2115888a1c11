#include "engine/page.hpp"

#include "engine/scenario.hpp"
#include "framework/utf8.hpp"

#include <algorithm>

namespace Engine {

int linesOf(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

int widestRun(std::string_view text, const TextFit& fit) {
    int widest = 0;
    for (const std::string_view piece : Framework::Utf8::lineBreakPieces(text)) {
        if (piece != "\r" && piece != "\n") {
            widest = std::max(widest, fit.width(piece));
        }
    }
    return widest;
}

bool clearsPage(std::string_view shown) noexcept {
    return shown == pageClear;
}

Page fed(Page page, std::string_view shown) {
    return clearsPage(shown) ? Page{} : Page{page.lines + linesOf(shown)};
}

bool tooTall(int lines, const TextFit& fit, int height) noexcept {
    return static_cast<long long>(lines) * fit.lineSkip > height;
}

std::string choicesText(const std::vector<std::string>& labels) {
    std::string lines;
    for (const std::string& label : labels) {
        lines.append(label);
        lines.push_back('\n');
    }
    return lines;
}

int choicesLines(const std::vector<std::string>& labels) {
    int lines = 0;
    for (const std::string& label : labels) {
        lines += linesOf(label);
    }
    return lines;
}

} // namespace Engine
