// A TrueType font cut down to the characters a page draws, so that it loads quickly over a
// network and still renders each of them to the same pixels. Pure: bytes in, bytes out.
//
// Glyph ids stay as they are, so the hinting programs, which may name glyphs, keep working
// unchanged: the outlines of glyphs no kept character reaches (directly or as a composite's
// component) are emptied and their metrics zeroed, the character map holds only the kept
// characters, the layout tables (which only shaping reads) go and the glyph names with them.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace Framework {

struct FontCut {
    std::string bytes;
    std::string problem; // empty when cut; else why the font cannot be, as "has no glyf table"
};

// `font` cut to `keep`; characters the font lacks are left out. A collection, a font with
// PostScript outlines or one that does not hold together is refused with a problem.
[[nodiscard]] FontCut cutFont(std::string_view font, const std::set<char32_t>& keep);

} // namespace Framework
