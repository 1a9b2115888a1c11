#include "framework/font_subset.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace Framework {

namespace {

using Tag = std::array<char, 4>;

constexpr Tag tag(const char (&name)[5]) {
    return {name[0], name[1], name[2], name[3]};
}

// Bounds-checked big-endian reads: every offset the font gives is checked before it is used.
class Bytes {
  public:
    explicit Bytes(std::string_view data) : data_(data) {}

    [[nodiscard]] bool has(std::uint64_t offset, std::uint64_t length) const {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    [[nodiscard]] std::uint32_t u16(std::uint64_t offset) const {
        return has(offset, 2) ? (byte(offset) << 8) | byte(offset + 1) : 0;
    }
    [[nodiscard]] std::uint32_t u32(std::uint64_t offset) const {
        return has(offset, 4) ? (u16(offset) << 16) | u16(offset + 2) : 0;
    }
    [[nodiscard]] std::string_view slice(std::uint64_t offset, std::uint64_t length) const {
        return has(offset, length) ? data_.substr(offset, length) : std::string_view{};
    }
    [[nodiscard]] std::size_t size() const { return data_.size(); }

  private:
    [[nodiscard]] std::uint32_t byte(std::uint64_t offset) const {
        return static_cast<unsigned char>(data_[offset]);
    }
    std::string_view data_;
};

void put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
    out.push_back(static_cast<char>(value & 0xFF));
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value >> 16);
    put16(out, value & 0xFFFF);
}

void set16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>((value >> 8) & 0xFF);
    out[at + 1] = static_cast<char>(value & 0xFF);
}

void set32(std::string& out, std::size_t at, std::uint32_t value) {
    set16(out, at, value >> 16);
    set16(out, at + 2, value & 0xFFFF);
}

void padTo4(std::string& out) {
    out.append((4 - out.size() % 4) % 4, '\0');
}

std::uint32_t checksum(std::string_view data) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < data.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4; ++b) {
            word =
                (word << 8) | (i + b < data.size() ? static_cast<unsigned char>(data[i + b]) : 0);
        }
        sum += word;
    }
    return sum;
}

struct Font {
    std::map<Tag, std::string_view> tables;

    [[nodiscard]] std::string_view table(const char (&name)[5]) const {
        const auto found = tables.find(tag(name));
        return found == tables.end() ? std::string_view{} : found->second;
    }
};

std::optional<Font> readDirectory(const Bytes& file, std::string& problem) {
    const std::uint32_t version = file.u32(0);
    if (version == 0x4F54544F) { // "OTTO"
        problem = "has PostScript outlines; only TrueType outlines can be cut";
        return std::nullopt;
    }
    if (version == 0x74746366) { // "ttcf"
        problem = "is a font collection; only a single font can be cut";
        return std::nullopt;
    }
    if (!file.has(0, 12) || (version != 0x00010000 && version != 0x74727565)) {
        problem = "is not a TrueType font";
        return std::nullopt;
    }
    const std::uint32_t count = file.u16(4);
    if (!file.has(12, std::uint64_t{16} * count)) {
        problem = "is cut short in its table directory";
        return std::nullopt;
    }
    Font font;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = 12 + std::uint64_t{16} * i;
        const std::string_view name = file.slice(entry, 4);
        const std::uint32_t offset = file.u32(entry + 8);
        const std::uint32_t length = file.u32(entry + 12);
        if (!file.has(offset, length)) {
            problem = "names a table past its end";
            return std::nullopt;
        }
        font.tables[{name[0], name[1], name[2], name[3]}] = file.slice(offset, length);
    }
    for (const char* required : {"head", "hhea", "maxp", "hmtx", "loca", "glyf", "cmap"}) {
        if (font.tables.find({required[0], required[1], required[2], required[3]}) ==
            font.tables.end()) {
            problem = std::string("has no ") + required + " table";
            return std::nullopt;
        }
    }
    return font;
}

// The glyph of each kept character that the font's Unicode map holds.
class CharacterMap {
  public:
    explicit CharacterMap(std::string_view cmap) : cmap_(cmap) {
        const std::uint32_t count = cmap_.u16(2);
        std::optional<std::uint32_t> wide;
        std::optional<std::uint32_t> narrow;
        for (std::uint32_t i = 0; i < count && cmap_.has(4 + 8 * i, 8); ++i) {
            const std::uint32_t platform = cmap_.u16(4 + 8 * i);
            const std::uint32_t encoding = cmap_.u16(6 + 8 * i);
            const std::uint32_t offset = cmap_.u32(8 + 8 * i);
            const bool unicode =
                platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
            if (!unicode) {
                continue;
            }
            const std::uint32_t format = cmap_.u16(offset);
            if (format == 12 && !wide) {
                wide = offset;
            } else if (format == 4 && !narrow) {
                narrow = offset;
            }
        }
        wide_ = wide;
        narrow_ = narrow;
    }

    [[nodiscard]] bool usable() const { return wide_ || narrow_; }

    [[nodiscard]] std::uint32_t glyph(char32_t c) const {
        return wide_ ? fromGroups(*wide_, c) : fromSegments(*narrow_, c);
    }

  private:
    [[nodiscard]] std::uint32_t fromGroups(std::uint64_t at, char32_t c) const {
        const std::uint64_t groups = cmap_.u32(at + 12);
        for (std::uint64_t g = 0; g < groups && cmap_.has(at + 16 + 12 * g, 12); ++g) {
            const std::uint64_t entry = at + 16 + 12 * g;
            const std::uint32_t first = cmap_.u32(entry);
            if (c >= first && c <= cmap_.u32(entry + 4)) {
                return static_cast<std::uint32_t>(cmap_.u32(entry + 8) + (c - first));
            }
        }
        return 0;
    }

    [[nodiscard]] std::uint32_t fromSegments(std::uint64_t at, char32_t c) const {
        if (c > 0xFFFF) {
            return 0;
        }
        const std::uint64_t twice = cmap_.u16(at + 6);
        const std::uint64_t ends = at + 14;
        const std::uint64_t starts = ends + twice + 2;
        const std::uint64_t deltas = starts + twice;
        const std::uint64_t ranges = deltas + twice;
        for (std::uint64_t s = 0; s + 1 < twice && cmap_.has(ranges + s, 2); s += 2) {
            if (cmap_.u16(ends + s) < c) {
                continue;
            }
            const std::uint32_t start = cmap_.u16(starts + s);
            if (start > c) {
                return 0;
            }
            const std::uint32_t delta = cmap_.u16(deltas + s);
            const std::uint32_t range = cmap_.u16(ranges + s);
            if (range == 0) {
                return (c + delta) & 0xFFFF;
            }
            const std::uint64_t where = ranges + s + range + 2 * (c - start);
            if (!cmap_.has(where, 2)) {
                return 0;
            }
            const std::uint32_t glyph = cmap_.u16(where);
            return glyph == 0 ? 0 : (glyph + delta) & 0xFFFF;
        }
        return 0;
    }

    Bytes cmap_;
    std::optional<std::uint32_t> wide_;
    std::optional<std::uint32_t> narrow_;
};

// Where each glyph's outline lies in glyf, from loca; nullopt for a glyph it cannot hold.
class Outlines {
  public:
    Outlines(std::string_view loca, std::string_view glyf, bool longOffsets)
        : loca_(loca), glyf_(glyf), long_(longOffsets) {}

    [[nodiscard]] std::optional<std::string_view> outline(std::uint32_t glyph) const {
        const std::uint64_t start = offset(glyph);
        const std::uint64_t end = offset(glyph + 1);
        const std::uint64_t entries = loca_.size() / (long_ ? 4 : 2);
        if (glyph + 1 >= entries || end < start || !glyf_.has(start, end - start)) {
            return std::nullopt;
        }
        return glyf_.slice(start, end - start);
    }

  private:
    [[nodiscard]] std::uint64_t offset(std::uint32_t glyph) const {
        return long_ ? loca_.u32(std::uint64_t{4} * glyph)
                     : loca_.u16(std::uint64_t{2} * glyph) * 2;
    }

    Bytes loca_;
    Bytes glyf_;
    bool long_;
};

// The glyphs a composite outline is made of; false for one that is cut short. An outline shorter
// than its 10-byte header is cut short too: taken as simple, the padding the cut adds after it
// could make it read as composite when cut again.
bool addComponents(std::string_view outline, std::vector<std::uint32_t>& to) {
    const Bytes glyph(outline);
    if (outline.empty() || (outline.size() >= 10 && (glyph.u16(0) & 0x8000) == 0)) {
        return true; // empty, or a simple outline
    }
    constexpr std::uint32_t wordArguments = 0x1;
    constexpr std::uint32_t oneScale = 0x8;
    constexpr std::uint32_t moreComponents = 0x20;
    constexpr std::uint32_t twoScales = 0x40;
    constexpr std::uint32_t matrix = 0x80;
    std::uint64_t at = 10;
    for (;;) {
        if (!glyph.has(at, 4)) {
            return false;
        }
        const std::uint32_t flags = glyph.u16(at);
        to.push_back(glyph.u16(at + 2));
        at += 4 + ((flags & wordArguments) != 0 ? 4 : 2);
        at += (flags & oneScale) != 0    ? 2
              : (flags & twoScales) != 0 ? 4
              : (flags & matrix) != 0    ? 8
                                         : 0;
        if ((flags & moreComponents) == 0) {
            return glyph.has(0, at);
        }
    }
}

// Runs of characters whose glyphs follow one another: the segments and groups of a character map.
struct Run {
    char32_t first;
    char32_t last;
    std::uint32_t glyph; // of `first`
};

std::vector<Run> runsOf(const std::map<char32_t, std::uint32_t>& glyphs, char32_t upTo) {
    std::vector<Run> runs;
    for (const auto& [c, glyph] : glyphs) {
        if (c > upTo) {
            break;
        }
        if (!runs.empty() && runs.back().last + 1 == c &&
            runs.back().glyph + (c - runs.back().first) == glyph) {
            runs.back().last = c;
        } else {
            runs.push_back({c, c, glyph});
        }
    }
    return runs;
}

std::optional<std::string> segmentTable(const std::map<char32_t, std::uint32_t>& glyphs) {
    std::vector<Run> runs = runsOf(glyphs, 0xFFFE);
    runs.push_back({0xFFFF, 0xFFFF, 0}); // the end every such table closes with
    const std::size_t segments = runs.size();
    const std::size_t length = 16 + 8 * segments;
    if (length > 0xFFFF) {
        return std::nullopt;
    }
    std::size_t power = 1;
    std::size_t log = 0;
    while (power * 2 <= segments) {
        power *= 2;
        ++log;
    }
    std::string out;
    put16(out, 4);
    put16(out, static_cast<std::uint32_t>(length));
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(2 * segments));
    put16(out, static_cast<std::uint32_t>(2 * power));
    put16(out, static_cast<std::uint32_t>(log));
    put16(out, static_cast<std::uint32_t>(2 * segments - 2 * power));
    for (const Run& run : runs) {
        put16(out, run.last);
    }
    put16(out, 0);
    for (const Run& run : runs) {
        put16(out, run.first);
    }
    for (const Run& run : runs) {
        put16(out, (run.glyph - run.first) & 0xFFFF);
    }
    for (std::size_t i = 0; i < segments; ++i) {
        put16(out, 0);
    }
    return out;
}

std::string groupTable(const std::map<char32_t, std::uint32_t>& glyphs) {
    const std::vector<Run> runs = runsOf(glyphs, 0x10FFFF);
    std::string out;
    put16(out, 12);
    put16(out, 0);
    put32(out, static_cast<std::uint32_t>(16 + 12 * runs.size()));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(runs.size()));
    for (const Run& run : runs) {
        put32(out, run.first);
        put32(out, run.last);
        put32(out, run.glyph);
    }
    return out;
}

// A Unicode map, as platform 3's BMP table where it fits, and its full-range one where it must.
std::string characterMap(const std::map<char32_t, std::uint32_t>& glyphs) {
    const std::optional<std::string> segments = segmentTable(glyphs);
    const bool beyondBmp = !glyphs.empty() && glyphs.rbegin()->first > 0xFFFF;
    std::vector<std::pair<std::uint32_t, std::string>> subtables;
    if (segments) {
        subtables.emplace_back(1, *segments);
    }
    if (beyondBmp || !segments) {
        subtables.emplace_back(10, groupTable(glyphs));
    }
    std::string out;
    put16(out, 0);
    put16(out, static_cast<std::uint32_t>(subtables.size()));
    std::uint32_t offset = 4 + 8 * static_cast<std::uint32_t>(subtables.size());
    for (const auto& [encoding, table] : subtables) {
        put16(out, 3);
        put16(out, encoding);
        put32(out, offset);
        offset += static_cast<std::uint32_t>(table.size());
    }
    for (const auto& subtable : subtables) {
        out += subtable.second;
    }
    return out;
}

} // namespace

FontCut cutFont(std::string_view bytes, const std::set<char32_t>& keep) {
    const Bytes file(bytes);
    FontCut cut;
    const std::optional<Font> font = readDirectory(file, cut.problem);
    if (!font) {
        return cut;
    }
    const std::string_view headBytes = font->table("head");
    const Bytes head(headBytes);
    const Bytes maxp(font->table("maxp"));
    const Bytes hhea(font->table("hhea"));
    if (!head.has(0, 54) || !maxp.has(0, 6) || !hhea.has(0, 36)) {
        return {{}, "has a head, maxp or hhea table cut short"};
    }
    const std::uint32_t locaFormat = head.u16(50);
    if (locaFormat > 1) {
        return {{}, "has a loca table of an unknown format"};
    }
    const std::uint32_t glyphCount = maxp.u16(4);
    const std::uint32_t metricCount = hhea.u16(34);
    const std::string_view hmtxBytes = font->table("hmtx");
    if (glyphCount == 0 || metricCount == 0 || metricCount > glyphCount ||
        hmtxBytes.size() < 4ULL * metricCount + 2ULL * (glyphCount - metricCount)) {
        return {{}, "has too few metrics for its glyphs"};
    }
    const CharacterMap map(font->table("cmap"));
    if (!map.usable()) {
        return {{}, "has no Unicode character map"};
    }
    const Outlines outlines(font->table("loca"), font->table("glyf"), locaFormat == 1);

    // The kept characters' glyphs, then every glyph they are made of; glyph 0 is what the font
    // shows for a character it lacks.
    std::map<char32_t, std::uint32_t> glyphs;
    for (const char32_t c : keep) {
        if (const std::uint32_t glyph = map.glyph(c); glyph != 0 && glyph < glyphCount) {
            glyphs[c] = glyph;
        }
    }
    // Outlines a font's glyphs share would be copied once for each: a few glyphs more than the
    // whole table could hold, and the cut would grow without end. Counting as they are found
    // also bounds the time spent reading a hostile font's components.
    const std::uint64_t mostGlyf = font->table("glyf").size() + 4ULL * glyphCount;
    std::uint64_t glyfSize = 0;
    std::vector<bool> kept(glyphCount, false);
    std::vector<std::uint32_t> pending{0};
    for (const auto& entry : glyphs) {
        pending.push_back(entry.second);
    }
    while (!pending.empty()) {
        const std::uint32_t glyph = pending.back();
        pending.pop_back();
        if (glyph >= glyphCount || kept[glyph]) {
            continue;
        }
        const std::optional<std::string_view> outline = outlines.outline(glyph);
        if (!outline || !addComponents(*outline, pending)) {
            return {{}, "has the outline of glyph " + std::to_string(glyph) + " out of place"};
        }
        glyfSize += (outline->size() + 3) / 4 * 4;
        if (glyfSize > mostGlyf) {
            return {{}, "has glyphs that share their outlines"};
        }
        kept[glyph] = true;
    }

    std::string glyf;
    glyf.reserve(glyfSize);
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t glyph = 0; glyph < glyphCount; ++glyph) {
        offsets.push_back(static_cast<std::uint32_t>(glyf.size()));
        if (kept[glyph]) {
            glyf += *outlines.outline(glyph);
            padTo4(glyf);
        }
    }
    offsets.push_back(static_cast<std::uint32_t>(glyf.size()));
    const bool longOffsets = glyf.size() > 0x1FFFE;
    std::string loca;
    for (const std::uint32_t offset : offsets) {
        longOffsets ? put32(loca, offset) : put16(loca, offset / 2);
    }

    std::string hmtx(hmtxBytes);
    for (std::uint32_t glyph = 0; glyph < glyphCount; ++glyph) {
        if (kept[glyph]) {
            continue;
        }
        // The last full metric's advance is also that of every glyph after it.
        if (glyph + 1 < metricCount) {
            set32(hmtx, 4 * glyph, 0);
        } else if (glyph >= metricCount) {
            set16(hmtx, 4 * metricCount + 2 * (glyph - metricCount), 0);
        }
    }

    std::map<Tag, std::string> tables;
    for (const auto& [name, data] : font->tables) {
        tables[name] = std::string(data);
    }
    // Shaping's tables, which FreeType as the panels use it never reads, and a signature the cut
    // would break.
    for (const Tag& dropped : {tag("GSUB"), tag("GPOS"), tag("GDEF"), tag("FFTM"), tag("DSIG")}) {
        tables.erase(dropped);
    }
    tables[tag("glyf")] = std::move(glyf);
    tables[tag("loca")] = std::move(loca);
    tables[tag("hmtx")] = std::move(hmtx);
    tables[tag("cmap")] = characterMap(glyphs);
    // Glyph names are only for people reading the font: the header alone, format 3.
    if (const std::string_view post = font->table("post"); post.size() >= 32) {
        std::string header(post.substr(0, 32));
        set32(header, 0, 0x00030000);
        std::fill(header.begin() + 16, header.end(), '\0');
        tables[tag("post")] = std::move(header);
    } else {
        tables.erase(tag("post"));
    }
    std::string& newHead = tables[tag("head")];
    newHead.resize(54);
    set32(newHead, 8, 0);
    set16(newHead, 50, longOffsets ? 1 : 0);

    const auto count = static_cast<std::uint32_t>(tables.size());
    std::uint32_t power = 1;
    std::uint32_t log = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log;
    }
    std::string& out = cut.bytes;
    put32(out, 0x00010000);
    put16(out, count);
    put16(out, 16 * power);
    put16(out, log);
    put16(out, 16 * count - 16 * power);
    std::uint32_t offset = 12 + 16 * count;
    std::size_t headAt = 0;
    for (const auto& [name, data] : tables) {
        out.append(name.data(), name.size());
        put32(out, checksum(data));
        if (name == tag("head")) {
            headAt = offset;
        }
        put32(out, offset);
        put32(out, static_cast<std::uint32_t>(data.size()));
        offset += static_cast<std::uint32_t>((data.size() + 3) / 4 * 4);
    }
    for (const auto& entry : tables) {
        out += entry.second;
        padTo4(out);
    }
    set32(out, headAt + 8, 0xB1B0AFBA - checksum(out));
    return cut;
}

} // namespace Framework
