// The page's live region and option buttons (web/pre.js) hear what the screen shows.
#include "framework/shown.hpp"

#include <emscripten.h>

namespace {

EM_JS(void, tellPage, (int what, const char* text, int size, int top, int lineSkip),
      { Module.gorubadon.shown(what, UTF8ToString(text, size), top, lineSkip); });

} // namespace

namespace Framework {

void tellShown(Shown what, std::string_view text, int top, int lineSkip) noexcept {
    tellPage(static_cast<int>(what), text.data(), static_cast<int>(text.size()), top, lineSkip);
}

} // namespace Framework
