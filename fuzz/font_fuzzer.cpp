// Feeds arbitrary bytes to the font cut as a font. It must never crash or hang, must give bytes
// exactly when it gives no problem, and what it gives must be a font that cuts again to itself.
#include "framework/font_subset.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#define FONT_EXPECT(condition) ((condition) ? static_cast<void>(0) : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes{reinterpret_cast<const char*>(data), size};
    // ASCII, a kana and a character beyond 16 bits, which a character map holds in two forms.
    const std::set<char32_t> keep{U'A', U'B', U'C', U'あ', U'\U0001F600'};
    const Framework::FontCut cut = Framework::cutFont(bytes, keep);
    FONT_EXPECT(cut.problem.empty() != cut.bytes.empty());
    if (!cut.bytes.empty()) {
        const Framework::FontCut again = Framework::cutFont(cut.bytes, keep);
        FONT_EXPECT(again.problem.empty() && again.bytes == cut.bytes);
    }
    return 0;
}
